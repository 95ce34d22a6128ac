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
#include <cpl_vsi.h>

#include <cerrno>
#include <algorithm>
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
    {"horizonId", "horizonId", OFTInteger, Source::HorizonId},
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

// A horizon's contour in the file's system.
struct Prepared {
    size_t index; // in the collected contours
    std::vector<QPointF> points;
    std::optional<double> area;
};

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

ExportResult ExportContours(TDataModule2& module, const QString& givenPath, const ExportSettings& settings)
{
    const ExportFormat* format = FindExportFormat(settings.format);
    if (!format)
        throw Error(formatMessage("Формат «%s» не записывается; форматы: GPKG, \"ESRI Shapefile\", \"MapInfo File\", KML, GeoJSON, DXF.",
                                  {settings.format.toStdString()}));
    ExportResult result;
    // Drivers read the kind of file from its name: a Shapefile without ".shp" would be a folder.
    QString path = givenPath;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (path != QLatin1String("/vsistdout/") && suffix != QLatin1String(format->extension) &&
        !(suffix == QLatin1String("mif") && qstrcmp(format->extension, "tab") == 0) &&
        !(suffix == QLatin1String("json") && qstrcmp(format->extension, "geojson") == 0))
        path += QLatin1Char('.') + QLatin1String(format->extension);
    result.path = path;
    const Crs wgs84 = Crs::epsg(4326);
    if (format->wgs84Only) {
        if (settings.crs && settings.crs->definition != wgs84.definition)
            throw Error(formatMessage("Формат %s хранит только долготу и широту WGS 84 (EPSG:4326).", {format->driver}));
        result.crs = wgs84;
    } else {
        result.crs = settings.crs ? *settings.crs : Crs::epsg(GeographicEpsg(settings.datum));
    }
    if (result.crs.none()) throw Error("Для записи контуров в файл ГИС нужна система координат.");

    // Every contour in the file's system first: a MapInfo file's integer grid is fitted to them.
    RecordTable& horizons = module.POSIB_PRODUCT_HOR;
    const std::vector<HorizonContour> contours = CollectContours(horizons, module.KONTUR);
    std::vector<Prepared> prepared;
    Operations operations(result.crs);
    for (size_t i = 0; i < contours.size(); ++i) {
        const HorizonContour& c = contours[i];
        if (c.points.size() < 3) continue;
        const QString name = cp1251ToUnicode(c.name);
        std::vector<QPointF> points(c.points.begin(), c.points.end());
        if (points.size() > 3 && points.front() == points.back()) points.pop_back();
        try {
            std::optional<Crs> source = HorizonCrs(c.coordType, settings.datum, points, settings.zone);
            if (!source && (c.coordType == 0 || c.coordType == 3)) source = settings.otherTypesCrs;
            if (!source || source->none()) {
                result.notWritten << name + QStringLiteral(": ") +
                                         (c.coordType == 4 ? QStringLiteral("в абсциссах нет номера зоны Гаусса-Крюгера; укажите зону")
                                                           : QStringLiteral("не задана система координат типа %1").arg(c.coordType));
                continue;
            }
            Prepared f{i, operations.toTarget(*source).applied(points),
                       ContourAreaKm2(2, operations.toGeographic(*source).applied(points))};
            prepared.push_back(std::move(f));
        } catch (const Error& e) {
            result.notWritten << name + QStringLiteral(": ") + QString::fromUtf8(e.what());
        }
    }

    GdalErrorScope errors;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format->driver);
    if (!driver) throw Error(formatMessage("GDAL не знает формата «%s».", {format->driver}));

    const bool toStdout = path == QLatin1String("/vsistdout/");
    std::unique_ptr<QTemporaryDir> staging;
    // Standard output gets the finished file in one checked write by the caller, so a full disk
    // or a closed pipe is a failure instead of a document cut short.
    QString writePath = toStdout ? QStringLiteral("/vsimem/talvena-standard-output.geojson") : path;
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

    CPLStringList datasetOptions;
    // KML's own <name> holds the horizon's name instead of a second field of the same name.
    if (qstrcmp(format->driver, "KML") == 0) datasetOptions.SetNameValue("NameField", "name");
    std::unique_ptr<GDALDataset> ds(
        driver->Create(QFile::encodeName(writePath).constData(), 0, 0, 0, GDT_Unknown, datasetOptions.List()));
    if (!ds) writeFailed(path, errors);
    const bool shapefile = qstrcmp(format->driver, "ESRI Shapefile") == 0;
    const bool dxf = qstrcmp(format->driver, "DXF") == 0;
    CPLStringList layerOptions;
    if (qstrcmp(format->driver, "GeoJSON") == 0) {
        layerOptions.SetNameValue("RFC7946", "YES");
        layerOptions.SetNameValue("COORDINATE_PRECISION", "10");
    }
    if (shapefile) layerOptions.SetNameValue("ENCODING", "UTF-8");
    if (qstrcmp(format->driver, "MapInfo File") == 0) {
        layerOptions.SetNameValue("ENCODING", "CP1251");
        // MapInfo keeps whole numbers over its bounds: bounds round the contours keep them to
        // fractions of a millimetre.
        if (!prepared.empty()) {
            double x0 = prepared.front().points.front().x(), x1 = x0;
            double y0 = prepared.front().points.front().y(), y1 = y0;
            for (const Prepared& f : prepared)
                for (const QPointF& p : f.points) {
                    x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x());
                    y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
                }
            const double pad = std::max({x1 - x0, y1 - y0, 1e-3}) * 0.05;
            const QByteArray bounds = QByteArray::number(x0 - pad, 'g', 17) + ',' + QByteArray::number(y0 - pad, 'g', 17) + ',' +
                                      QByteArray::number(x1 + pad, 'g', 17) + ',' + QByteArray::number(y1 + pad, 'g', 17);
            layerOptions.SetNameValue("BOUNDS", bounds.constData());
        }
    }
    const QByteArray layerName = shapefile || qstrcmp(format->driver, "MapInfo File") == 0
                                     ? QFile::encodeName(QFileInfo(path).completeBaseName())
                                     : QByteArray("contours");
    OGRLayer* layer = ds->CreateLayer(layerName.constData(), &srs, wkbPolygon, layerOptions.List());
    if (!layer) writeFailed(path, errors);
    // DXF has its own fixed fields; the horizon's name goes into its layer name.
    if (!dxf) {
        for (const AttributeDecl& a : kAttributes) {
            if (qstrcmp(format->driver, "KML") == 0 && a.source == Source::Name) continue;
            OGRFieldDefn field(shapefile ? a.dbfName : a.name, a.type);
            if (a.type == OFTString) field.SetWidth(shapefile ? 254 : 0);
            if (layer->CreateField(&field) != OGRERR_NONE) writeFailed(path, errors);
        }
    }
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    const int dxfLayerField = dxf ? defn->GetFieldIndex("Layer") : -1;
    // Drivers put fields of their own before ours (KML), so each is found by its name.
    std::vector<int> fieldIndex;
    for (const AttributeDecl& a : kAttributes) fieldIndex.push_back(dxf ? -1 : defn->GetFieldIndex(shapefile ? a.dbfName : a.name));

    std::vector<const Field*> resourceFields;
    for (const AttributeDecl& a : kAttributes)
        resourceFields.push_back(a.resourceField ? &horizons.fieldByName(a.resourceField) : nullptr);
    const std::string objectName = utf8(cp1251ToUnicode(objectNameOf(module)));

    const bool transaction = ds->StartTransaction() == OGRERR_NONE;
    for (const Prepared& f : prepared) {
        const HorizonContour& c = contours[f.index];
        const QString name = cp1251ToUnicode(c.name);
        const std::vector<QPointF>& out = f.points;
        const std::optional<double>& area = f.area;
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
            const uint32_t row = horizons.visibleRow(static_cast<int>(f.index));
            for (int k = 0; k < int(std::size(kAttributes)); ++k) {
                const int a = fieldIndex[static_cast<size_t>(k)];
                if (a < 0) continue;
                switch (kAttributes[k].source) {
                case Source::Name: feature.SetField(a, utf8(name).c_str()); break;
                case Source::HorizonId:
                    if (c.hasId) feature.SetField(a, static_cast<int>(c.horizonId));
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
                        v = horizons.rowValue(row, *resourceFields[static_cast<size_t>(k)]);
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
    if (toStdout) {
        const QByteArray memoryPath = writePath.toLatin1();
        vsi_l_offset length = 0;
        GByte* bytes = VSIGetMemFileBuffer(memoryPath.constData(), &length, TRUE);
        result.standardOutput = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
        CPLFree(bytes);
        VSIUnlink(memoryPath.constData());
    }
    return result;
}

} // namespace talvena::gis
