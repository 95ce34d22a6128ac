#include "gis/contour_import.h"

#include "base/error.h"

#include <GeographicLib/Math.hpp>

#include <string>

namespace talvena::gis {

std::optional<Crs> TargetCrsForHorizon(const std::vector<QPointF>& points, const Crs& from, int coordType, Datum datum,
                                       const std::optional<Crs>& horizonCrs)
{
    if (coordType == 1 || coordType == 2) return Crs::epsg(GeographicEpsg(datum));
    if (coordType != 4) return horizonCrs;
    if (from.none()) return Crs{};
    // The zone is the one of the contour's middle, so the whole trap lies in one zone's numbers.
    const Crs geographic = Crs::epsg(GeographicEpsg(datum == Datum::Wgs84 ? Datum::Pulkovo1942 : datum));
    const std::vector<QPointF> lonLat = CoordinateOperation(from, geographic).applied(points);
    double sum = 0;
    const double origin = lonLat.front().x();
    for (const QPointF& p : lonLat) sum += GeographicLib::Math::AngDiff(origin, p.x());
    const double middle = origin + sum / static_cast<double>(lonLat.size());
    return Crs::epsg(GaussKrugerEpsg(datum, ZoneOfLongitude(middle)));
}

std::vector<QPointF> ConvertForHorizon(const std::vector<QPointF>& points, const Crs& from, int coordType, Datum datum,
                                       const std::optional<Crs>& horizonCrs)
{
    if (points.empty()) return points;
    const std::optional<Crs> to = TargetCrsForHorizon(points, from, coordType, datum, horizonCrs);
    if (!to)
        throw Error(formatMessage("У типа координат %s нет своей системы координат: укажите её (код EPSG или «без системы координат»).",
                                  {std::to_string(coordType)}));
    return CoordinateOperation(from, *to).applied(points);
}

} // namespace talvena::gis
