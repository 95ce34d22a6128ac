#pragma once
// Polygon text formats that GDAL does not read, each a small parser of its own:
// - Surfer BLN: a header line "count,flag[,name]" followed by count lines "x,y[,z]", repeated;
// - IRAP/RMS polygons: lines "x y z", each polygon ended by the line "999 999 999";
// - ZMAP+ polygons: "!" comment lines, a header from a line starting with "@" to a line that is
//   "@", then lines "x y [z [segment]]"; a point at the header's null value (or a change of the
//   segment number) ends a part.
// Numbers are separated by commas, spaces, tabs or semicolons; blank lines are skipped.
#include "gis/gis_file.h"

#include <optional>

namespace talvena::gis {

enum class PolygonTextKind { Bln, Irap, Zmap };

// By the file's extension (.bln; .irap, .rms, .pol; .zmap, .zmp).
std::optional<PolygonTextKind> DetectPolygonText(const QString& path);
// By its first lines, for a file no GDAL driver opens; nothing when it looks like none of them.
std::optional<PolygonTextKind> DetectPolygonTextByContent(const QByteArray& head);

// One layer named after the file, without a coordinate system; each polygon a feature of one part
// (BLN features carry the name of their header as the attribute "name"). Throws a Russian message
// with the line number for a line that does not read.
GisFile ReadPolygonText(PolygonTextKind kind, const QString& path, const QByteArray& content);

} // namespace talvena::gis
