#include "gis/gis_file.h"

#include "base/error.h"
#include "gis/gdal_setup.h"
#include "gis/polygon_text.h"

#include <QFile>
#include <QFileInfo>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>

namespace talvena::gis {

namespace {

std::string fileName(const QString& path) { return QFileInfo(path).fileName().toStdString(); }

std::vector<QPointF> pointsOf(const OGRSimpleCurve& curve)
{
    std::vector<QPointF> points;
    const int n = curve.getNumPoints();
    points.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) points.emplace_back(curve.getX(i), curve.getY(i));
    // A closing point equal to the first is not a point of the contour.
    if (points.size() > 1 && points.front() == points.back()) points.pop_back();
    return points;
}

// Polygons give their outer rings, lines themselves; points give nothing.
void collectParts(const OGRGeometry* g, std::vector<std::vector<QPointF>>& parts)
{
    if (!g || g->IsEmpty()) return;
    const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
    if (type == wkbPolygon || type == wkbTriangle) {
        const OGRLinearRing* ring = g->toPolygon()->getExteriorRing();
        if (ring) parts.push_back(pointsOf(*ring));
    } else if (type == wkbLineString || type == wkbLinearRing) {
        parts.push_back(pointsOf(*g->toLineString()));
    } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
        for (const OGRGeometry* member : *g->toGeometryCollection()) collectParts(member, parts);
    } else if (OGR_GT_IsCurve(type) || OGR_GT_IsSurface(type)) {
        std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
        collectParts(linear.get(), parts);
    }
}

Crs crsOf(const OGRSpatialReference* srs)
{
    if (!srs) return {};
    const char* auth = srs->GetAuthorityName(nullptr);
    const char* code = srs->GetAuthorityCode(nullptr);
    if (auth && code && std::string(auth) == "EPSG") return {QByteArray("EPSG:") + code};
    char* wkt = nullptr;
    const char* options[] = {"FORMAT=WKT2_2019", nullptr};
    if (srs->exportToWkt(&wkt, options) != OGRERR_NONE || !wkt) {
        CPLFree(wkt);
        return {};
    }
    Crs crs{QByteArray(wkt)};
    CPLFree(wkt);
    return crs;
}

GisFile readWithOgr(const QString& path)
{
    GdalErrorScope errors;
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(QFile::encodeName(path).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!ds) {
        const QString why = errors.lastMessage();
        throw Error(formatMessage("Файл «%s» не читается как файл ГИС%s.",
                                  {fileName(path), why.isEmpty() ? std::string() : ": " + why.toStdString()}));
    }
    GisFile file;
    file.format = QString::fromUtf8(ds->GetDriver()->GetDescription());
    for (OGRLayer* layer : ds->GetLayers()) {
        GisLayer out;
        out.name = QString::fromUtf8(layer->GetName());
        out.crs = crsOf(layer->GetSpatialRef());
        const OGRFeatureDefn* defn = layer->GetLayerDefn();
        layer->ResetReading();
        for (auto& feature : *layer) {
            GisFeature f;
            f.id = feature->GetFID();
            const OGRGeometry* g = feature->GetGeometryRef();
            collectParts(g, f.parts);
            if (f.parts.empty()) continue;
            f.geometryType = QString::fromUtf8(OGRGeometryTypeToName(g->getGeometryType()));
            for (int i = 0; i < defn->GetFieldCount(); ++i)
                f.attributes.append({QString::fromUtf8(defn->GetFieldDefn(i)->GetNameRef()),
                                     feature->IsFieldSetAndNotNull(i) ? QString::fromUtf8(feature->GetFieldAsString(i)) : QString()});
            out.features.push_back(std::move(f));
        }
        if (!out.features.empty()) file.layers.push_back(std::move(out));
    }
    // A read that stopped on damage says so, rather than offering what came before it.
    if (CPLGetLastErrorType() >= CE_Failure)
        throw Error(formatMessage("Файл «%s» повреждён: %s", {fileName(path), errors.lastMessage().toStdString()}));
    return file;
}

std::string joined(const QStringList& names) { return names.join(QStringLiteral(", ")).toStdString(); }

} // namespace

GisFile ReadGisFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(formatMessage("Файл «%s» не открывается: %s", {fileName(path), f.errorString().toStdString()}));
    GisFile file;
    if (const std::optional<PolygonTextKind> kind = DetectPolygonText(path)) {
        file = ReadPolygonText(*kind, path, f.readAll());
    } else {
        try {
            file = readWithOgr(path);
        } catch (const Error&) {
            // Polygon text under another name (.txt, .dat) is known by its lines.
            const std::optional<PolygonTextKind> byContent = DetectPolygonTextByContent(f.read(4096));
            if (!byContent) throw;
            f.seek(0);
            file = ReadPolygonText(*byContent, path, f.readAll());
        }
    }
    bool any = false;
    for (const GisLayer& l : file.layers) any = any || !l.features.empty();
    if (!any) throw Error(formatMessage("В файле «%s» нет ни полигона, ни линии.", {fileName(path)}));
    return file;
}

ChosenContour ChooseContour(const GisFile& file, const ContourChoice& choice)
{
    ChosenContour out;
    if (choice.layer.isEmpty()) {
        if (file.layers.size() != 1) {
            QStringList names;
            for (const GisLayer& l : file.layers) names << l.name;
            throw Error(formatMessage("В файле несколько слоёв с контурами; выберите слой: %s.", {joined(names)}));
        }
        out.layer = &file.layers.front();
    } else {
        for (const GisLayer& l : file.layers)
            if (l.name == choice.layer) out.layer = &l;
        if (!out.layer) throw Error(formatMessage("В файле нет слоя «%s» с контурами.", {choice.layer.toStdString()}));
    }
    const auto& features = out.layer->features;
    const std::string layerName = out.layer->name.toStdString();
    if (choice.feature < 0) {
        if (features.size() != 1)
            throw Error(formatMessage("В слое «%s» объектов: %s; выберите номер объекта (1–%s).",
                                      {layerName, std::to_string(features.size()), std::to_string(features.size())}));
        out.feature = &features.front();
    } else {
        if (choice.feature < 1 || choice.feature > static_cast<qint64>(features.size()))
            throw Error(formatMessage("В слое «%s» нет объекта %s: их %s.",
                                      {layerName, std::to_string(choice.feature), std::to_string(features.size())}));
        out.feature = &features[static_cast<size_t>(choice.feature - 1)];
    }
    const auto& parts = out.feature->parts;
    if (choice.part < 0) {
        if (parts.size() != 1)
            throw Error(formatMessage("Частей у объекта: %s; выберите часть (1–%s).",
                                      {std::to_string(parts.size()), std::to_string(parts.size())}));
        out.points = &parts.front();
    } else {
        if (choice.part < 1 || choice.part > static_cast<int>(parts.size()))
            throw Error(formatMessage("У объекта нет части %s: их %s.", {std::to_string(choice.part), std::to_string(parts.size())}));
        out.points = &parts[static_cast<size_t>(choice.part - 1)];
    }
    return out;
}

} // namespace talvena::gis
