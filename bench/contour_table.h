#pragma once
// The shape of the contour table the engine benchmarks load: ID, HEAD_ID, X, Y, open and empty.
#include "table/record_table.h"

#include <memory>
#include <vector>

inline std::unique_ptr<talvena::RecordTable> emptyContourTable()
{
    using talvena::FieldType;
    auto t = std::make_unique<talvena::RecordTable>("KONTUR");
    t->addField("ID", FieldType::Integer, 0, true);
    t->addField("HEAD_ID", FieldType::Integer);
    t->addField("X", FieldType::Float);
    t->addField("Y", FieldType::Float);
    t->open();
    return t;
}

// Loads points numbered from 0 into the contour table in bulk, spread evenly over the horizons
// 1 … horizons (HEAD_ID), with coordinates that grow with the number.
inline void loadContourPoints(talvena::RecordTable& k, int points, int horizons)
{
    using talvena::Value;
    k.beginLoad();
    for (int i = 0; i < points; ++i) {
        std::vector<Value> values{Value::integer(i), Value::integer(1 + i / (points / horizons)),
                                  Value::real(60 + i * 1e-6), Value::real(55 + i * 1e-6)};
        k.loadRecord(values, 0);
    }
    k.endLoad();
}
