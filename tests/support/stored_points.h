#pragma once
// The stored contour points of a horizon, in contour order, whatever record is current.
#include "table/record_table.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace talvena {

inline std::vector<std::pair<double, double>> StoredPointsOf(const RecordTable& points, int32_t horizonId)
{
    std::vector<std::pair<double, double>> out;
    const Field& head = points.fieldByName("HEAD_ID");
    const Field& x = points.fieldByName("X");
    const Field& y = points.fieldByName("Y");
    for (int i = 0; i < points.storedCount(); ++i) {
        const uint32_t row = points.storedRow(i);
        if (points.rowInteger(row, head) == horizonId) out.emplace_back(points.rowReal(row, x), points.rowReal(row, y));
    }
    return out;
}

} // namespace talvena
