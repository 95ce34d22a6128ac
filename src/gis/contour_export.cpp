#include "gis/contour_export.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "gis/gdal_setup.h"
#include "model/contour_area.h"
#include "model/contour_collection.h"
#include "model/data_module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace talvena::gis {

namespace {

constexpr ExportFormat kFormats[] = {
    {"GPKG", "gpkg", "GeoPackage", false},
    {"ESRI Shapefile", "shp", "ESRI Shapefile", false},
    {"MapInfo File", "tab", "MapInfo TAB", false},
    {"KML", "kml", "KML", true},
    {"GeoJSON", "geojson", "GeoJSON", true},
    {"DXF", "dxf", "AutoCAD DXF", false},
};

enum class Source { Name, HorizonId, CoordType, Area, Points, ObjectName, Resource };

struct AttributeDecl {
    const char* name;
    const char* dbfName; // a Shapefile's table keeps ten characters
    OGRFieldType type;
    Source source;
    const char* resourceField = nullptr; // the calculated field of the horizon
};

constexpr AttributeDecl kAttributes[] = {
    {"name", "name", OFTString, Source::Name},
    {"horizonId", "horizonId", OFTInteger64, Source::HorizonId},
    {"coordinateType", "coordType", OFTInteger, Source::CoordType},
    {"areaKm2", "areaKm2", OFTReal, Source::Area},
    {"points", "points", OFTInteger, Source::Points},
    {"objectName", "objectName", OFTString, Source::ObjectName},
    {"oilRes", "oilRes", OFTReal, Source::Resource, "CALC_PERSP_RES"},
    {"dissGasRes", "dissGasRes", OFTReal, Source::Resource, "CALC_PERSP_RES_RGAZ"},
    {"gasRes", "gasRes", OFTReal, Source::Resource, "CALC_NEWGAZBAL"},
    {"condRes", "condRes", OFTReal, Source::Resource, "CALC_PERSPGAZCOND_RES"},
};

std::string utf8(const QString& s) { return s.toStdString(); }

[[noreturn]] void writeFailed(const QString& path, const GdalErrorScope& errors)
{
    const QString why = errors.lastMessage();
    throw Error(formatMessage("Файл «%s» не записан%s.", {utf8(QFileInfo(path).fileName()),
                                                         why.isEmpty() ? std::string() : ": " + utf8(why)}));
}

// Operations from each horizon's system, made once per system.
class Operations {
public:
    explicit Operations(const Crs& target) : target_(target) {}
    const CoordinateOperation& toTarget(const Crs& from) { return get(toTarget_, from, target_); }
    const CoordinateOperation& toGeographic(const Crs& from) { return get(toGeographic_, from, std::nullopt); }

private:
    using Map = std::map<QByteArray, std::unique_ptr<CoordinateOperation>>;
    static const CoordinateOperation& get(Map& map, const Crs& from, const std::optional<Crs>& to)
    {
        auto& op = map[from.definition];
        if (!op) op = std::make_unique<CoordinateOperation>(from, to ? *to : GeographicOf(from));
        return *op;
    }
    Crs target_;
    Map toTarget_, toGeographic_;
};

QByteArray objectNameOf(TDataModule2& module)
{
    const RecordTable& p = module.PASPORTS;
    if (!p.active() || p.storedCount() == 0) return {};
    const Field& f = p.fieldByName("OBJECTNAME");
    const uint32_t row = p.storedRow(0);
    return p.rowIsNull(row, f) ? QByteArray() : p.rowBytes(row, f);
}

// Files made in `from` moved over those of the same names in `to`, one rename each.
void moveInto(const QString& from, const QString& to)
{
    for (const QFileInfo& f : QDir(from).entryInfoList(QDir::Files)) {
        const QString target = QDir(to).filePath(f.fileName());
        if (std::rename(QFile::encodeName(f.absoluteFilePath()).constData(), QFile::encodeName(target).constData()) != 0)
            throw Error(formatMessage("Файл «%s» не записан: %s", {utf8(target), std::strerror(errno)}));
    }
}

} // namespace

std::span<const ExportFormat> ExportFormats() { return kFormats; }

const ExportFormat* FindExportFormat(const QByteArray& driver)
{
    for (const ExportFormat& f : kFormats)
        if (driver.compare(f.driver, Qt::CaseInsensitive) == 0) return &f;
    return nullptr;
}

ExportResult ExportContours(TDataModule2& module, const QString& path, const ExportSettings& settings)
{
    const ExportFormat* format = FindExportFormat(settings.format);
    if (!format)
        throw Error(formatMessage("Формат «%s» не записывается; форматы: GPKG, \"ESRI Shapefile\", \"MapInfo File\", KML, GeoJSON, DXF.",
                                  {settings.format.toStdString()}));
    ExportResult result;
    const Crs wgs84 = Crs::epsg(4326);
    if (format->wgs84Only) {
        if (settings.crs && settings.crs->definition != wgs84.definition)
            throw Error(formatMessage("Формат %s хранит только долготу и широту WGS 84 (EPSG:4326).", {format->driver}));
        result.crs = wgs84;
    } else {
        result.crs = settings.crs ? *settings.crs : Crs::epsg(GeographicEpsg(settings.datum));
    }
    if (result.crs.none()) throw Error("Для записи контуров в файл ГИС нужна система координат.");

    GdalErrorScope errors;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format->driver);
    if (!driver) throw Error(formatMessage("GDAL не знает формата «%s».", {format->driver}));

    const bool toStdout = path == QLatin1String("/vsistdout/");
    std::unique_ptr<QTemporaryDir> staging;
    QString writePath = path;
    if (!toStdout) {
        const QFileInfo target(path);
        staging = std::make_unique<QTemporaryDir>(target.absoluteDir().filePath(".talvena-export-XXXXXX"));
        if (!staging->isValid())
            throw Error(formatMessage("Файл «%s» не записан: %s", {utf8(path), utf8(staging->errorString())}));
        writePath = QDir(staging->path()).filePath(target.fileName());
    }

    OGRSpatialReference srs;
    if (srs.SetFromUserInput(result.crs.definition.constData()) != OGRERR_NONE)
        throw Error(formatMessage("Система координат «%s» неизвестна.", {result.crs.definition.toStdString()}));
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);

    std::unique_ptr<GDALDataset> ds(driver->Create(QFile::encodeName(writePath).constData(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) writeFailed(path, errors);
    const bool shapefile = qstrcmp(format->driver, "ESRI Shapefile") == 0;
    const bool dxf = qstrcmp(format->driver, "DXF") == 0;
    CPLStringList layerOptions;
    if (qstrcmp(format->driver, "GeoJSON") == 0) {
        layerOptions.SetNameValue("RFC7946", "YES");
        layerOptions.SetNameValue("COORDINATE_PRECISION", "10");
    }
    if (shapefile) layerOptions.SetNameValue("ENCODING", "UTF-8");
    if (qstrcmp(format->driver, "MapInfo File") == 0) layerOptions.SetNameValue("ENCODING", "CP1251");
    const QByteArray layerName = shapefile || qstrcmp(format->driver, "MapInfo File") == 0
                                     ? QFile::encodeName(QFileInfo(path).completeBaseName())
                                     : QByteArray("contours");
    OGRLayer* layer = ds->CreateLayer(layerName.constData(), &srs, wkbPolygon, layerOptions.List());
    if (!layer) writeFailed(path, errors);
    // DXF has its own fixed fields; the horizon's name goes into its layer name.
    if (!dxf) {
        for (const AttributeDecl& a : kAttributes) {
            OGRFieldDefn field(shapefile ? a.dbfName : a.name, a.type);
            if (a.type == OFTString) field.SetWidth(shapefile ? 254 : 0);
            if (layer->CreateField(&field) != OGRERR_NONE) writeFailed(path, errors);
        }
    }
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    const int dxfLayerField = dxf ? defn->GetFieldIndex("Layer") : -1;

    RecordTable& horizons = module.POSIB_PRODUCT_HOR;
    std::vector<const Field*> resourceFields;
    for (const AttributeDecl& a : kAttributes)
        resourceFields.push_back(a.resourceField ? &horizons.fieldByName(a.resourceField) : nullptr);
    const std::string objectName = utf8(cp1251ToUnicode(objectNameOf(module)));

    Operations operations(result.crs);
    const bool transaction = ds->StartTransaction() == OGRERR_NONE;
    const std::vector<HorizonContour> contours = CollectContours(horizons, module.KONTUR);
    for (size_t i = 0; i < contours.size(); ++i) {
        const HorizonContour& c = contours[i];
        if (c.points.size() < 3) continue;
        const QString name = cp1251ToUnicode(c.name);
        std::vector<QPointF> points(c.points.begin(), c.points.end());
        if (points.size() > 3 && points.front() == points.back()) points.pop_back();
        std::optional<Crs> source = HorizonCrs(c.coordType, settings.datum, points, settings.zone);
        if (!source && (c.coordType == 0 || c.coordType == 3)) source = settings.otherTypesCrs;
        if (!source) {
            result.notWritten << name + QStringLiteral(": ") +
                                     (c.coordType == 4 ? QStringLiteral("в абсциссах нет номера зоны Гаусса-Крюгера; укажите зону")
                                                       : QStringLiteral("не задана система координат типа %1").arg(c.coordType));
            continue;
        }
        std::optional<double> area;
        std::vector<QPointF> out;
        try {
            if (!source->none()) {
                area = ContourAreaKm2(2, operations.toGeographic(*source).applied(points));
                out = operations.toTarget(*source).applied(points);
            } else {
                out = points;
            }
        } catch (const Error& e) {
            result.notWritten << name + QStringLiteral(": ") + QString::fromUtf8(e.what());
            continue;
        }

        OGRFeature feature(defn);
        auto ring = std::make_unique<OGRLinearRing>();
        ring->setNumPoints(static_cast<int>(out.size()) + 1, FALSE);
        for (size_t k = 0; k < out.size(); ++k) ring->setPoint(static_cast<int>(k), out[k].x(), out[k].y());
        ring->setPoint(static_cast<int>(out.size()), out.front().x(), out.front().y());
        auto polygon = std::make_unique<OGRPolygon>();
        polygon->addRingDirectly(ring.release());
        feature.SetGeometryDirectly(polygon.release());
        if (dxf) {
            if (dxfLayerField >= 0) feature.SetField(dxfLayerField, utf8(name).c_str());
        } else {
            const uint32_t row = horizons.visibleRow(static_cast<int>(i));
            for (int a = 0; a < int(std::size(kAttributes)); ++a) {
                switch (kAttributes[a].source) {
                case Source::Name: feature.SetField(a, utf8(name).c_str()); break;
                case Source::HorizonId:
                    if (c.hasId) feature.SetField(a, static_cast<GIntBig>(c.horizonId));
                    break;
                case Source::CoordType: feature.SetField(a, c.coordType); break;
                case Source::Area:
                    if (area) feature.SetField(a, *area);
                    break;
                case Source::Points: feature.SetField(a, static_cast<int>(c.points.size())); break;
                case Source::ObjectName: feature.SetField(a, objectName.c_str()); break;
                case Source::Resource: {
                    Value v;
                    try {
                        v = horizons.rowValue(row, *resourceFields[a]);
                    } catch (const Error&) {
                        // An overflowing calculation has no value to give.
                    }
                    if (v.isReal()) feature.SetField(a, v.realValue());
                    break;
                }
                }
            }
        }
        if (layer->CreateFeature(&feature) != OGRERR_NONE) writeFailed(path, errors);
        ++result.written;
    }
    if (transaction && ds->CommitTransaction() != OGRERR_NONE) writeFailed(path, errors);
    // Closing writes what the drivers hold back; its failure is a failed export.
    errors.reset();
    GDALClose(static_cast<GDALDatasetH>(ds.release()));
    if (errors.failed()) writeFailed(path, errors);
    if (staging) moveInto(staging->path(), QFileInfo(path).absolutePath());
    return result;
}

} // namespace talvena::gis
