#pragma once
// A contour from a GIS file converted into the coordinate system of a horizon's coordinate type.
#include "gis/coordinate_systems.h"

#include <optional>
#include <vector>

namespace talvena::gis {

// `from`: the file's system (none: the numbers are taken as they are). `coordType`: the
// horizon's; for type 4 the zone is the one the contour's middle lies in, for types 0 and 3
// `horizonCrs` names the system (none: the numbers as they are; nothing: a Russian message asks
// for it). Throws a Russian message when a point does not convert.
std::vector<QPointF> ConvertForHorizon(const std::vector<QPointF>& points, const Crs& from, int coordType, Datum datum,
                                       const std::optional<Crs>& horizonCrs);

// The system a horizon of `coordType` gets points in, for `points` given in `from`.
std::optional<Crs> TargetCrsForHorizon(const std::vector<QPointF>& points, const Crs& from, int coordType, Datum datum,
                                       const std::optional<Crs>& horizonCrs);

} // namespace talvena::gis
