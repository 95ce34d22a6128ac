#pragma once
// Every productive horizon's trap contour as GeoJSON (RFC 7946), for laying the traps over other
// maps in a GIS:
//
//   { "type": "FeatureCollection", "name": <file label>,
//     "features": [ { "type": "Feature",
//                     "properties": { "name", "horizonId", "coordinateType", "coordinateTypeName",
//                                     "geographic", "points", "areaKm2" },
//                     "geometry": <Polygon | MultiPoint | null> }, … ] }
//
// One feature per horizon, in the horizon table's order. Coordinate types 1 and 2 give positions
// [longitude, latitude] in degrees (WGS 84, "geographic": true); types 0, 3 and 4 give the
// stored X and Y as they are, metres of the projection named by "coordinateTypeName"
// ("geographic": false). Three points or more make a Polygon: one ring, closed, counter-clockwise;
// one or two points a MultiPoint; none a null geometry. "areaKm2" is the contour's area as the
// window shows it (null where it has none).
#include <QByteArray>

namespace talvena {

class TDataModule2;

// `fileLabel`: the passport file's name as given, UTF-8.
QByteArray ContoursGeoJson(TDataModule2& module, const QByteArray& fileLabel);

} // namespace talvena
