#include "model/contour_collection.h"

#include <unordered_map>

namespace talvena {

std::vector<HorizonContour> CollectContours(const RecordTable& horizons, const RecordTable& points)
{
    std::vector<HorizonContour> contours;
    if (!horizons.active()) return contours;
    const Field& id = horizons.fieldByName("ID");
    const Field& name = horizons.fieldByName("STRATIGRSVIT");
    const Field& type = horizons.fieldByName("KONTURKOORDTYPE");
    contours.reserve(static_cast<size_t>(horizons.visibleCount()));
    // The first horizon of each ID collects the points; another one with the same ID (only a
    // damaged file has one) gets a copy at the end.
    std::unordered_map<int32_t, size_t> holderOf;
    for (int pos = 0; pos < horizons.visibleCount(); ++pos) {
        const uint32_t row = horizons.visibleRow(pos);
        HorizonContour c;
        c.hasId = !horizons.rowIsNull(row, id);
        c.horizonId = c.hasId ? horizons.rowInteger(row, id) : 0;
        c.name = horizons.rowBytes(row, name);
        c.coordType = horizons.rowIsNull(row, type) ? 0 : horizons.rowInteger(row, type);
        if (c.hasId) holderOf.emplace(c.horizonId, contours.size());
        contours.push_back(std::move(c));
    }
    if (!points.active() || holderOf.empty()) return contours;

    ForEachContourPoint<HorizonContour>(
        points,
        [&](int32_t h) -> HorizonContour* {
            const auto it = holderOf.find(h);
            // A point of a deleted horizon is never drawn.
            return it == holderOf.end() ? nullptr : &contours[it->second];
        },
        [](HorizonContour& c, uint32_t, double x, double y) { c.points.append(QPointF(x, y)); });
    for (size_t i = 0; i < contours.size(); ++i) {
        HorizonContour& c = contours[i];
        if (!c.hasId) continue;
        const size_t holder = holderOf.at(c.horizonId);
        if (holder != i) c.points = contours[holder].points;
    }
    return contours;
}

} // namespace talvena
