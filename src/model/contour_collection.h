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

// Every stored point of the contour table that has a horizon, in stored order. `holderOf(headId)`
// says where a horizon's points go (nullptr: nowhere); a horizon's points usually follow one
// another, so it is asked once a run of them. `add(holder, row, x, y)` takes each point; a NULL
// coordinate reads as 0.
template <typename Holder, typename HolderOf, typename Add>
void ForEachContourPoint(const RecordTable& points, HolderOf holderOf, Add add)
{
    const Field& head = points.fieldByName("HEAD_ID");
    const Field& x = points.fieldByName("X");
    const Field& y = points.fieldByName("Y");
    int32_t lastHead = 0;
    Holder* last = nullptr;
    for (int i = 0; i < points.storedCount(); ++i) {
        const uint32_t row = points.storedRow(i);
        if (points.rowIsNull(row, head)) continue;
        const int32_t h = points.rowInteger(row, head);
        if (!last || h != lastHead) {
            last = holderOf(h);
            lastHead = h;
            if (!last) continue;
        }
        add(*last, row, points.rowReal(row, x), points.rowReal(row, y));
    }
}

} // namespace talvena
