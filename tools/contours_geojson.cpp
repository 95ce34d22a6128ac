#include "tools/contours_geojson.h"

#include "base/cp1251.h"
#include "model/contour_area.h"
#include "model/contour_collection.h"
#include "model/data_module.h"
#include "tools/json_writer.h"

#include <GeographicLib/Math.hpp>

#include <algorithm>

namespace talvena {

namespace {

bool isGeographic(int coordType) { return coordType == 1 || coordType == 2; }

QByteArray coordinateTypeName(const RecordTable& coordTypes, int coordType)
{
    const Field& id = coordTypes.fieldByName("ID");
    const Field& name = coordTypes.fieldByName("NAME");
    for (int i = 0; i < coordTypes.storedCount(); ++i) {
        const uint32_t row = coordTypes.storedRow(i);
        if (!coordTypes.rowIsNull(row, id) && coordTypes.rowInteger(row, id) == coordType)
            return coordTypes.rowBytes(row, name);
    }
    return {};
}

// Twice the signed area in the plane of the numbers (longitudes taken round the first point),
// positive counter-clockwise: enough to tell the direction of a ring.
double signedTwiceArea(const QList<QPointF>& ring, bool geographic)
{
    const QPointF origin = ring.constFirst();
    auto local = [&](const QPointF& p) {
        const double dx = geographic ? GeographicLib::Math::AngDiff(origin.x(), p.x()) : p.x() - origin.x();
        return QPointF(dx, p.y() - origin.y());
    };
    double sum = 0;
    for (qsizetype i = 0; i < ring.size(); ++i) {
        const QPointF a = local(ring[i]);
        const QPointF b = local(ring[(i + 1) % ring.size()]);
        sum += a.x() * b.y() - b.x() * a.y();
    }
    return sum;
}

void writePositions(JsonWriter& w, const QList<QPointF>& points)
{
    w.beginArray();
    for (const QPointF& p : points) {
        const double xy[] = {p.x(), p.y()};
        w.numberRow(xy);
    }
    w.endArray();
}

void writeGeometry(JsonWriter& w, const HorizonContour& c)
{
    if (c.points.isEmpty()) return w.null();
    w.beginObject();
    w.key("type");
    if (c.points.size() < 3) {
        w.string("MultiPoint");
        w.key("coordinates");
        writePositions(w, c.points);
        return w.endObject();
    }
    QList<QPointF> ring = c.points;
    if (ring.constLast() != ring.constFirst()) ring.append(ring.constFirst());
    // The right-hand rule: the outer ring runs counter-clockwise.
    if (signedTwiceArea(ring, isGeographic(c.coordType)) < 0) std::reverse(ring.begin(), ring.end());
    w.string("Polygon");
    w.key("coordinates");
    w.beginArray();
    writePositions(w, ring);
    w.endArray();
    w.endObject();
}

} // namespace

QByteArray ContoursGeoJson(TDataModule2& module, const QByteArray& fileLabel)
{
    JsonWriter w;
    w.beginObject();
    w.key("type");
    w.string("FeatureCollection");
    w.key("name");
    w.string(fileLabel);
    w.key("features");
    w.beginArray();
    for (const HorizonContour& c : CollectContours(module.POSIB_PRODUCT_HOR, module.KONTUR)) {
        w.beginObject();
        w.key("type");
        w.string("Feature");
        w.key("properties");
        w.beginObject();
        w.key("name");
        w.string(cp1251ToUtf8(c.name));
        w.key("horizonId");
        if (c.hasId) w.integer(c.horizonId);
        else w.null();
        w.key("coordinateType");
        w.integer(c.coordType);
        w.key("coordinateTypeName");
        const QByteArray typeName = coordinateTypeName(module.TCoords, c.coordType);
        if (typeName.isEmpty()) w.null();
        else w.string(cp1251ToUtf8(typeName));
        w.key("geographic");
        w.boolean(isGeographic(c.coordType));
        w.key("points");
        w.integer(c.points.size());
        w.key("areaKm2");
        const std::vector<QPointF> points(c.points.begin(), c.points.end());
        if (const auto area = ContourAreaKm2(c.coordType, points)) w.number(*area);
        else w.null();
        w.endObject();
        w.key("geometry");
        writeGeometry(w, c);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    return w.result();
}

} // namespace talvena
