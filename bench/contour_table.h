#pragma once
// The shape of the contour table the engine benchmarks load: ID, HEAD_ID, X, Y, open and empty.
#include "table/record_table.h"

#include <memory>

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
