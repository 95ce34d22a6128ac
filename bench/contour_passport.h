#pragma once
// A passport of many contours for the contour benchmarks: `horizons` horizons of coordinate type 2
// with right point counts, `perHorizon` points each on a small ellipse, loaded in bulk as a file
// would load them. The horizons are laid out 40 to a row from `origin`, `step` apart, each ellipse
// with the half-axes `radius`.
#include "minimal_module.h"

#include <QPointF>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

inline std::unique_ptr<talvena::TDataModule2> contourPassport(int horizons, int perHorizon, QPointF origin,
                                                              QPointF step, QPointF radius)
{
    using talvena::RecordTable;
    using talvena::Value;
    auto m = minimalModule();
    RecordTable& h = m->POSIB_PRODUCT_HOR;
    const int id = h.fieldByName("ID").index();
    const int name = h.fieldByName("STRATIGRSVIT").index();
    const int count = h.fieldByName("KONTURNUMPOINTS").index();
    const int type = h.fieldByName("KONTURKOORDTYPE").index();
    int dataFields = 0;
    for (int f = 0; f < h.fieldCount(); ++f) dataFields += h.field(f).isData() ? 1 : 0;
    // Field positions among the data fields equal the field indexes up to the last one used.
    h.beginLoad();
    for (int i = 1; i <= horizons; ++i) {
        std::vector<Value> values(static_cast<size_t>(dataFields));
        values[static_cast<size_t>(id)] = Value::integer(i);
        values[static_cast<size_t>(name)] = Value::bytes("H" + QByteArray::number(i));
        values[static_cast<size_t>(count)] = Value::integer(perHorizon);
        values[static_cast<size_t>(type)] = Value::integer(2);
        h.loadRecord(values, 0);
    }
    h.endLoad();
    RecordTable& k = m->KONTUR;
    k.beginLoad();
    for (int i = 0; i < horizons * perHorizon; ++i) {
        const int horizon = 1 + i / perHorizon;
        const double a = 2 * std::numbers::pi * (i % perHorizon) / perHorizon;
        std::vector<Value> values{Value::integer(i), Value::integer(horizon),
                                  Value::real(origin.x() + horizon % 40 * step.x() + radius.x() * std::cos(a)),
                                  Value::real(origin.y() + horizon / 40 * step.y() + radius.y() * std::sin(a))};
        k.loadRecord(values, 0);
    }
    k.endLoad();
    h.first();
    return m;
}
