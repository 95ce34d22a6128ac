#pragma once
// A vector file from a GIS read for choosing one contour: its layers, their features with their
// attributes, and each feature's parts. Any vector format GDAL/OGR reads, and three kinds of
// polygon text that GDAL does not: Surfer BLN, IRAP/RMS polygons and ZMAP+ polygons.
#include "gis/coordinate_systems.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>

#include <vector>

namespace talvena::gis {

struct GisFeature {
    qint64 id = 0;                             // the file's own feature id (OGR FID, or from 0)
    QList<QPair<QString, QString>> attributes; // field name, value as text, in field order
    QString geometryType;                      // "Polygon", "MultiPolygon", "LineString" …
    // One per polygon (its outer ring) or line; a closing point equal to the first is dropped.
    std::vector<std::vector<QPointF>> parts;
};

struct GisLayer {
    QString name;
    Crs crs;      // WKT of the layer's system; empty when the file has none
    std::vector<GisFeature> features; // only those with a polygon or a line
};

struct GisFile {
    QString format; // GDAL's driver name, or "Surfer BLN", "IRAP/RMS", "ZMAP+"
    std::vector<GisLayer> layers;
};

// Throws a Russian message naming the file when it cannot be read or holds no polygon or line.
GisFile ReadGisFile(const QString& path);

// What to take from a file; empty layer name and negative numbers mean "the only one".
struct ContourChoice {
    QString layer;
    qint64 feature = -1; // position of the feature in its layer, from 1
    int part = -1;       // from 1
};

// The points chosen. Throws a Russian message when the choice is needed but not made (several
// layers, features or parts), naming what there is to choose from, or when it names nothing.
struct ChosenContour {
    const GisLayer* layer = nullptr;
    const GisFeature* feature = nullptr;
    const std::vector<QPointF>* points = nullptr;
};
ChosenContour ChooseContour(const GisFile& file, const ContourChoice& choice);

} // namespace talvena::gis
