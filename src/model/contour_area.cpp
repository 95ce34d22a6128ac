#include "model/contour_area.h"

#include "model/contour_collection.h"
#include "model/field_schema.h"
#include "table/number_text.h"

#include <GeographicLib/Accumulator.hpp>
#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Math.hpp>
#include <GeographicLib/PolygonArea.hpp>

#include <bit>
#include <cmath>

namespace talvena {

namespace {

using GeographicLib::Geodesic;
using GeographicLib::Math;

// An edge shorter than this in latitude and in longitude (about 100 m) takes its area through
// an equal-area map, where it is a straight chord: the chord and the geodesic differ by less
// than 0.02 m² of area per edge (the difference falls with the cube of the length). Longer
// edges are solved as geodesics. The sum is GeographicLib's polygon area to well below the
// square metre for any real contour, in a fraction of the time of a geodesic per edge.
constexpr double kShortEdgeDegrees = 1e-3;

// Lambert's cylindrical equal-area map of the WGS 84 ellipsoid: x = a·λ, y = a·q(φ)/2, where
// q is the authalic function; a region's area on the ellipsoid is its area on the map, and the
// equator is y = 0, as for the areas GeographicLib gives each geodesic edge.
struct EqualAreaMap {
    double a = GeographicLib::Constants::WGS84_a();
    double e2 = GeographicLib::Constants::WGS84_f() * (2 - GeographicLib::Constants::WGS84_f());
    double e = std::sqrt(e2);

    double y(double latitude) const
    {
        const double s = std::sin(latitude * Math::degree());
        return a * (1 - e2) / 2 * (s / (1 - e2 * s * s) + std::atanh(e * s) / e);
    }
    double x(double longitudeDifference) const { return a * longitudeDifference * Math::degree(); }
};

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

std::optional<double> fullGeodesicAreaM2(std::span<const QPointF> points)
{
    GeographicLib::PolygonArea polygon(Geodesic::WGS84());
    for (const QPointF& p : points) polygon.AddPoint(p.y(), p.x());
    double perimeter = 0, area = 0;
    polygon.Compute(false, true, perimeter, area);
    if (!std::isfinite(area)) return std::nullopt;
    return std::abs(area);
}

std::optional<double> geodesicAreaM2(std::span<const QPointF> points)
{
    for (const QPointF& p : points)
        if (!finite(p) || std::abs(p.y()) > 90) return std::nullopt;
    static const EqualAreaMap map;
    const Geodesic& earth = Geodesic::WGS84();
    GeographicLib::Accumulator<> sum;
    double turn = 0; // the longitude travelled round the contour: ±360° when it circles a pole
    const size_t n = points.size();
    double y1 = map.y(points[0].y());
    for (size_t i = 0; i < n; ++i) {
        const QPointF& p1 = points[i];
        const QPointF& p2 = points[(i + 1) % n];
        const double dLon = Math::AngDiff(p1.x(), p2.x());
        const double y2 = map.y(p2.y());
        turn += dLon;
        if (std::abs(dLon) <= kShortEdgeDegrees && std::abs(p2.y() - p1.y()) <= kShortEdgeDegrees) {
            sum += map.x(dLon) * (y1 + y2) / 2;
        } else {
            // The area between the geodesic edge and the equator.
            double s12, azi1, azi2, m12, M12, M21, S12;
            earth.GenInverse(p1.y(), p1.x(), p2.y(), p2.x(), Geodesic::AREA, s12, azi1, azi2, m12, M12, M21, S12);
            sum += S12;
        }
        y1 = y2;
    }
    // Around a pole the strip sums need GeographicLib's own accounting.
    if (std::abs(turn) > 180) return fullGeodesicAreaM2(points);
    const double area = std::abs(sum());
    if (!std::isfinite(area)) return std::nullopt;
    return area;
}

std::optional<double> planarAreaM2(std::span<const QPointF> points)
{
    for (const QPointF& p : points)
        if (!finite(p)) return std::nullopt;
    // Taken from the first point: map coordinates in the millions would cancel each other.
    const QPointF origin = points[0];
    GeographicLib::Accumulator<> twice;
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = points[i] - origin;
        const QPointF b = points[(i + 1) % n] - origin;
        twice += a.x() * b.y() - b.x() * a.y();
    }
    const double area = std::abs(twice()) / 2;
    if (!std::isfinite(area)) return std::nullopt;
    return area;
}

uint64_t mix(uint64_t h, double v)
{
    // splitmix64 over the running hash and the value's bits.
    uint64_t z = h ^ (std::bit_cast<uint64_t>(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

} // namespace

std::optional<double> ContourAreaKm2(int coordType, std::span<const QPointF> points)
{
    if (points.size() < 3) return std::nullopt;
    std::optional<double> m2;
    switch (coordType) {
    case 1:
    case 2: m2 = geodesicAreaM2(points); break;
    case 3:
    case 4: m2 = planarAreaM2(points); break;
    default: return std::nullopt;
    }
    if (!m2) return std::nullopt;
    return *m2 / 1e6;
}

QByteArray ContourAreaText(const std::optional<double>& km2)
{
    return km2 ? FormatNumberPattern(kNumberPattern, *km2) : QByteArray();
}

// --- the cache ---------------------------------------------------------------------------------

void ContourAreas::regroup()
{
    std::unordered_map<int32_t, Entry> fresh;
    if (points_.active()) {
        ForEachContourPoint<Entry>(
            points_, [&](int32_t h) { return &fresh[h]; },
            [](Entry& e, uint32_t row, double x, double y) {
                e.rows.push_back(row);
                e.fingerprint = mix(mix(e.fingerprint, x), y);
            });
    }
    // An area stays good while its points are the same.
    for (auto& [h, entry] : fresh) {
        const auto old = entries_.find(h);
        if (old != entries_.end() && old->second.fingerprint == entry.fingerprint &&
            old->second.rows.size() == entry.rows.size()) {
            entry.coordType = old->second.coordType;
            entry.area = old->second.area;
        }
    }
    entries_ = std::move(fresh);
    pointsVersion_ = points_.storedVersion();
}

std::optional<double> ContourAreas::areaOf(int32_t horizonId, int coordType)
{
    if (pointsVersion_ != points_.storedVersion()) regroup();
    const auto it = entries_.find(horizonId);
    if (it == entries_.end()) return std::nullopt;
    Entry& entry = it->second;
    if (entry.coordType != coordType) {
        std::vector<QPointF> contour;
        contour.reserve(entry.rows.size());
        const Field& x = points_.fieldByName("X");
        const Field& y = points_.fieldByName("Y");
        for (uint32_t row : entry.rows) contour.emplace_back(points_.rowReal(row, x), points_.rowReal(row, y));
        entry.area = ContourAreaKm2(coordType, contour);
        entry.coordType = coordType;
        ++computations_;
    }
    return entry.area;
}

std::optional<double> ContourAreas::areaOfRow(uint32_t horizonRow)
{
    const Field& id = horizons_.fieldByName("ID");
    if (horizons_.rowIsNull(horizonRow, id)) return std::nullopt;
    const Field& type = horizons_.fieldByName("KONTURKOORDTYPE");
    const int coordType = horizons_.rowIsNull(horizonRow, type) ? 0 : horizons_.rowInteger(horizonRow, type);
    return areaOf(horizons_.rowInteger(horizonRow, id), coordType);
}

} // namespace talvena
