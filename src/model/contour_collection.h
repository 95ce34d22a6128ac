#pragma once
// Every productive horizon's contour read straight from the tables, without moving a current
// record: what the chart, the areas and the GeoJSON output are made from.
#include "table/record_table.h"

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace talvena {

struct HorizonContour {
    int32_t horizonId = 0;  // ID; 0 for a horizon without one (it has no points)
    bool hasId = false;
    QByteArray name;        // STRATIGRSVIT, CP1251
    int coordType = 0;      // KONTURKOORDTYPE, NULL read as 0
    QList<QPointF> points;  // (X, Y) in the contour table's order, NULL read as 0; not closed
};

// The horizons the horizon table shows, in its current order, each with the stored points whose
// HEAD_ID is its ID. One pass over the points, whatever their number.
std::vector<HorizonContour> CollectContours(const RecordTable& horizons, const RecordTable& points);

} // namespace talvena
