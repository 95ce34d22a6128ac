#pragma once
// The area of a closed trap contour, by the coordinate type of its horizon:
// - 1 and 2 (geographic, X longitude and Y latitude in degrees): geodesic on the WGS 84
//   ellipsoid, edges along geodesics;
// - 3 and 4 (Mercator and Gauss-Krüger projections, X and Y in metres): planar, in the plane
//   of the projection, without its scale distortion;
// - 0 and anything else: none.
// A contour of fewer than three points, or with a latitude beyond ±90° or a coordinate that is
// not a finite number, has no area. The area is never stored in the passport nor exported.
#include "table/record_table.h"

#include <QByteArray>
#include <QPointF>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace talvena {

// In square kilometres; the contour is closed from its last point back to the first (a last
// point equal to the first adds nothing).
std::optional<double> ContourAreaKm2(int coordType, std::span<const QPointF> points);

// kNumberPattern, the empty text for no area.
QByteArray ContourAreaText(const std::optional<double>& km2);

// The areas of every horizon's contour for a grid column, computed once and kept until the
// horizon's points or its coordinate type change. Asking after any change of the contour table
// regroups the points in one pass (no area is recomputed unless its points changed), so a grid
// repaint costs a hash look-up per row.
class ContourAreas {
public:
    ContourAreas(const RecordTable& horizons, const RecordTable& points) : horizons_(horizons), points_(points) {}

    // The horizon at a stored row of the horizon table (its ID and KONTURKOORDTYPE).
    std::optional<double> areaOfRow(uint32_t horizonRow);
    std::optional<double> areaOf(int32_t horizonId, int coordType);
    QByteArray textOfRow(uint32_t horizonRow) { return ContourAreaText(areaOfRow(horizonRow)); }

    // How many areas were computed since the start (what the cache saves is measured by it).
    int64_t computations() const { return computations_; }

private:
    struct Entry {
        std::vector<uint32_t> rows; // the points' stored rows in contour order
        uint64_t fingerprint = 0;   // of the coordinates, in order
        int coordType = -1;         // the type `area` was computed for; -1 none yet
        std::optional<double> area;
    };
    void regroup();

    const RecordTable& horizons_;
    const RecordTable& points_;
    std::unordered_map<int32_t, Entry> entries_;
    uint64_t pointsVersion_ = ~uint64_t(0);
    int64_t computations_ = 0;
};

} // namespace talvena
