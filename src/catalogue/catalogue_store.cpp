#include "catalogue/catalogue_store.h"

#include "base/error.h"
#include "catalogue/catalogue_schema.h"
#include "catalogue/passport_summary.h"
#include "gis/gdal_setup.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <string>

namespace talvena::catalogue {

namespace {

OGRFieldType ogrType(ColumnType t)
{
    switch (t) {
    case ColumnType::Text: return OFTString;
    case ColumnType::Integer: return OFTInteger64;
    case ColumnType::Real: return OFTReal;
    }
    return OFTString;
}

const char* const kRegionColumns[] = {"federal_district", "republic", "krai", "oblast",
                                      "province", "oil_gas_region", "oil_gas_district"};

const char* const kChildTables[] = {"horizons", "contours", "attachments"};

// A result set of ExecuteSQL, released with its dataset.
struct ResultSet {
    GDALDataset* ds;
    OGRLayer* layer;
    ~ResultSet()
    {
        if (layer) ds->ReleaseResultSet(layer);
    }
};

// The columns of a result set by name: drivers differ in whether "fid" is a column or the
// feature's own identifier.
class Columns {
public:
    explicit Columns(OGRLayer* l) : defn_(l->GetLayerDefn()) {}
    int index(const char* name) const { return defn_->GetFieldIndex(name); }
    QString text(OGRFeature& f, const char* name) const
    {
        const int i = index(name);
        return i >= 0 && f.IsFieldSetAndNotNull(i) ? QString::fromUtf8(f.GetFieldAsString(i)) : QString();
    }
    qint64 integer(OGRFeature& f, const char* name) const
    {
        const int i = index(name);
        if (i < 0) return std::strcmp(name, "fid") == 0 ? f.GetFID() : 0;
        return f.IsFieldSetAndNotNull(i) ? f.GetFieldAsInteger64(i) : 0;
    }
    double real(OGRFeature& f, const char* name) const
    {
        const int i = index(name);
        return i >= 0 && f.IsFieldSetAndNotNull(i) ? f.GetFieldAsDouble(i) : 0;
    }

private:
    OGRFeatureDefn* defn_;
};

// GDAL sends numbers to PostgreSQL with 15 significant digits; the GeoPackage keeps the same,
// so that both targets hold, and add up, exactly the same values.
double fifteenDigits(double v) { return std::isfinite(v) ? QByteArray::number(v, 'g', 15).toDouble() : v; }

} // namespace

QByteArray SqlText(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    utf8.replace('\'', "''");
    return '\'' + utf8 + '\'';
}

bool CatalogueStore::IsServer(const QString& target)
{
    return target.startsWith(QLatin1String("postgresql://")) || target.startsWith(QLatin1String("postgres://"));
}

QString CatalogueStore::DisplayName(const QString& target)
{
    if (!IsServer(target)) return target;
    QUrl url(target);
    url.setPassword(QString());
    return url.toString();
}

CatalogueStore::CatalogueStore(const QString& target, bool forWriting) : target_(target), server_(IsServer(target))
{
    gis::EnsureGdal();
    // A second writer into the same GeoPackage waits for the first instead of failing at once.
    CPLSetConfigOption("OGR_SQLITE_PRAGMA", "busy_timeout=600000");
    if (forWriting && !server_ && !QFileInfo::exists(target)) createFile();
    open(forWriting);
    if (forWriting) ensureSchema();
}

void CatalogueStore::createFile()
{
    // Made complete beside its place and then linked there, so that a run interrupted while
    // making it leaves no file that is not a catalogue, and two runs never replace each other's.
    const QString temporary = target_ + QStringLiteral(".%1.tmp").arg(::getpid());
    QFile::remove(temporary);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (!driver) fail(QStringLiteral("GDAL не знает формата GeoPackage"));
    {
        gis::GdalErrorScope errors;
        ds_.reset(driver->Create(QFile::encodeName(temporary).constData(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds_) fail(QStringLiteral("файл не создан"));
        ensureSchema();
        ds_.reset();
    }
    const bool linked = ::link(QFile::encodeName(temporary).constData(), QFile::encodeName(target_).constData()) == 0;
    const int error = errno;
    QFile::remove(temporary);
    if (!linked && error != EEXIST)
        throw Error(formatMessage("Каталог «%s» не создан: %s", {target_.toStdString(), std::strerror(error)}));
}

CatalogueStore::~CatalogueStore()
{
    if (inTransaction_ && ds_) ds_->RollbackTransaction();
}

void CatalogueStore::fail(const QString& what)
{
    const QString why = QString::fromUtf8(CPLGetLastErrorMsg()).trimmed();
    throw Error(formatMessage("Каталог «%s»: %s%s", {DisplayName(target_).toStdString(), what.toStdString(),
                                                    why.isEmpty() ? std::string(".") : ": " + why.toStdString()}));
}

void CatalogueStore::open(bool forWriting)
{
    gis::GdalErrorScope errors;
    ds_.reset();
    const unsigned flags = GDAL_OF_VECTOR | (forWriting ? GDAL_OF_UPDATE : 0);
    if (server_) {
        const char* drivers[] = {"PostgreSQL", nullptr};
        ds_.reset(GDALDataset::Open(("PG:" + target_.toUtf8()).constData(), flags, drivers));
        if (!ds_) fail(QStringLiteral("нет соединения с сервером"));
        // Numbers travel as text: every digit a double needs, so both targets read the same values.
        execute("SET extra_float_digits = 3");
        return;
    }
    const QByteArray path = QFile::encodeName(target_);
    if (QFileInfo::exists(target_)) {
        const char* drivers[] = {"GPKG", nullptr};
        // A reader that may write rolls back what an interrupted run left half-written; one that
        // may not (a catalogue on a read-only share) still reads.
        const bool writable = QFileInfo(target_).isWritable() && QFileInfo(QFileInfo(target_).absolutePath()).isWritable();
        ds_.reset(GDALDataset::Open(path.constData(), writable ? flags | GDAL_OF_UPDATE : flags, drivers));
        if (!ds_) fail(QStringLiteral("файл не открывается как GeoPackage"));
        return;
    }
    throw Error(formatMessage("Каталог «%s» не найден.", {target_.toStdString()}));
}

OGRLayer* CatalogueStore::layer(const char* name)
{
    OGRLayer* l = ds_->GetLayerByName(name);
    if (!l) fail(QStringLiteral("нет таблицы %1").arg(QLatin1String(name)));
    return l;
}

void CatalogueStore::execute(const QByteArray& sql)
{
    gis::GdalErrorScope errors;
    OGRLayer* result = ds_->ExecuteSQL(sql.constData(), nullptr, nullptr);
    if (result) ds_->ReleaseResultSet(result);
    if (errors.failed()) fail(QStringLiteral("запрос не выполнен"));
}

qint64 CatalogueStore::scalar(const QByteArray& sql)
{
    gis::GdalErrorScope errors;
    ResultSet r{ds_.get(), ds_->ExecuteSQL(sql.constData(), nullptr, nullptr)};
    if (!r.layer || errors.failed()) fail(QStringLiteral("запрос не выполнен"));
    std::unique_ptr<OGRFeature> f(r.layer->GetNextFeature());
    return f && f->IsFieldSetAndNotNull(0) ? f->GetFieldAsInteger64(0) : 0;
}

void CatalogueStore::ensureSchema()
{
    bool missing = false;
    for (const TableDecl& t : CatalogueTables()) missing = missing || !ds_->GetLayerByName(t.name);
    if (!missing) return;
    gis::GdalErrorScope errors;
    // Runs that start together on a new database make the tables one after another: a second
    // connection holds a lock meanwhile, and the tables are looked for again once it is held.
    std::unique_ptr<GDALDataset> lock;
    if (server_) {
        execute("SELECT pg_advisory_lock(7262027)");
        lock = std::move(ds_);
        // The driver learns of PostGIS and of the tables there are when it connects.
        open(true);
        if (!ds_->GetLayerByName("contours")) {
            execute("CREATE EXTENSION IF NOT EXISTS postgis");
            open(true);
        }
        missing = false;
        for (const TableDecl& t : CatalogueTables()) missing = missing || !ds_->GetLayerByName(t.name);
        if (!missing) return;
    }
    OGRSpatialReference wgs84;
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    for (const TableDecl& t : CatalogueTables()) {
        if (ds_->GetLayerByName(t.name)) continue;
        CPLStringList options;
        options.SetNameValue("FID", "fid");
        if (t.polygons) options.SetNameValue("GEOMETRY_NAME", "geom");
        if (server_) options.SetNameValue("PRECISION", "NO");
        OGRLayer* l = ds_->CreateLayer(t.name, t.polygons ? &wgs84 : nullptr, t.polygons ? wkbPolygon : wkbNone,
                                       options.List());
        if (!l) fail(QStringLiteral("таблица %1 не создана").arg(QLatin1String(t.name)));
        for (const ColumnDecl& c : t.columns) {
            OGRFieldDefn field(c.name, ogrType(c.type));
            if (l->CreateField(&field) != OGRERR_NONE)
                fail(QStringLiteral("столбец %1.%2 не создан").arg(QLatin1String(t.name), QLatin1String(c.name)));
        }
        if (std::strcmp(t.name, kLockTable) == 0) {
            OGRFeature f(l->GetLayerDefn());
            f.SetField("runs", GIntBig(0));
            if (l->CreateFeature(&f) != OGRERR_NONE) fail(QStringLiteral("таблица %1 не заполнена").arg(QLatin1String(t.name)));
        }
    }
    // Reopened so that the indexes below and every later statement see the tables as written.
    ds_->FlushCache();
    execute("CREATE UNIQUE INDEX IF NOT EXISTS passports_path ON passports (path)");
    execute("CREATE INDEX IF NOT EXISTS passports_sha256 ON passports (sha256)");
    for (const char* child : kChildTables)
        execute(QByteArray("CREATE INDEX IF NOT EXISTS ") + child + "_passport ON " + child + " (passport_id)");
}

std::map<QString, KnownFile> CatalogueStore::knownFiles()
{
    gis::GdalErrorScope errors;
    ResultSet r{ds_.get(), ds_->ExecuteSQL("SELECT fid, path, size, modified_ms, sha256 FROM passports", nullptr, nullptr)};
    if (!r.layer) fail(QStringLiteral("список файлов не прочитан"));
    std::map<QString, KnownFile> known;
    const Columns c(r.layer);
    while (std::unique_ptr<OGRFeature> f{r.layer->GetNextFeature()})
        known[c.text(*f, "path")] = {c.integer(*f, "fid"), c.integer(*f, "size"), c.integer(*f, "modified_ms"), c.text(*f, "sha256")};
    return known;
}

void CatalogueStore::begin()
{
    gis::GdalErrorScope errors;
    if (ds_->StartTransaction() != OGRERR_NONE) fail(QStringLiteral("транзакция не начата"));
    inTransaction_ = true;
    // Taking the row lock first makes the writers follow one another; the identifiers read
    // after it are then free for this transaction alone.
    execute(QByteArray("UPDATE ") + kLockTable + " SET runs = runs + 1");
    nextId_.clear();
    for (const TableDecl& t : CatalogueTables())
        nextId_[t.name] = scalar(QByteArray("SELECT MAX(fid) FROM ") + t.name) + 1;
}

void CatalogueStore::commit()
{
    gis::GdalErrorScope errors;
    inTransaction_ = false;
    if (ds_->CommitTransaction() != OGRERR_NONE) fail(QStringLiteral("изменения не записаны"));
}

void CatalogueStore::rollback()
{
    if (!inTransaction_) return;
    inTransaction_ = false;
    ds_->RollbackTransaction();
}

void CatalogueStore::removePassport(const QString& path)
{
    const QByteArray ofPath = "(SELECT fid FROM passports WHERE path = " + SqlText(path) + ")";
    for (const char* child : kChildTables) execute(QByteArray("DELETE FROM ") + child + " WHERE passport_id IN " + ofPath);
    execute("DELETE FROM passports WHERE path = " + SqlText(path));
}

void CatalogueStore::touchPassport(const QString& path, qint64 size, qint64 modifiedMs)
{
    execute("UPDATE passports SET size = " + QByteArray::number(size) + ", modified_ms = " + QByteArray::number(modifiedMs) +
            " WHERE path = " + SqlText(path));
}

void CatalogueStore::insertRow(const char* table, qint64 fid, qint64 passportId, const CatalogueRow& row)
{
    OGRLayer* l = layer(table);
    OGRFeatureDefn* defn = l->GetLayerDefn();
    OGRFeature f(defn);
    f.SetFID(fid);
    if (passportId > 0) f.SetField("passport_id", GIntBig(passportId));
    for (const auto& [column, value] : row.cells) {
        const int i = defn->GetFieldIndex(column);
        if (i < 0) fail(QStringLiteral("нет столбца %1.%2").arg(QLatin1String(table), QLatin1String(column)));
        if (const auto* n = std::get_if<qint64>(&value)) f.SetField(i, GIntBig(*n));
        else if (const auto* d = std::get_if<double>(&value)) f.SetField(i, fifteenDigits(*d));
        else if (const auto* s = std::get_if<QString>(&value)) f.SetField(i, s->toUtf8().constData());
        else f.SetFieldNull(i);
    }
    if (!row.ring.empty()) {
        auto ring = std::make_unique<OGRLinearRing>();
        for (const QPointF& p : row.ring) ring->addPoint(p.x(), p.y());
        ring->addPoint(row.ring.front().x(), row.ring.front().y());
        auto polygon = std::make_unique<OGRPolygon>();
        polygon->addRingDirectly(ring.release());
        f.SetGeometryDirectly(polygon.release());
    }
    gis::GdalErrorScope errors;
    if (l->CreateFeature(&f) != OGRERR_NONE) fail(QStringLiteral("строка таблицы %1 не записана").arg(QLatin1String(table)));
}

void CatalogueStore::putPassport(const FileFacts& file, const PassportSummary* summary, const QString& error)
{
    removePassport(file.path);
    CatalogueRow row;
    row.set("path", file.path);
    row.set("size", file.size);
    row.set("modified_ms", file.modifiedMs);
    row.set("sha256", file.sha256.isEmpty() ? CellValue() : CellValue(file.sha256));
    if (!error.isEmpty()) row.set("error", error);
    if (summary) row.cells.insert(row.cells.end(), summary->passport.cells.begin(), summary->passport.cells.end());
    const qint64 id = nextId_["passports"]++;
    insertRow("passports", id, 0, row);
    if (!summary) return;
    for (const CatalogueRow& h : summary->horizons) insertRow("horizons", nextId_["horizons"]++, id, h);
    for (const CatalogueRow& c : summary->contours) insertRow("contours", nextId_["contours"]++, id, c);
    for (const CatalogueRow& a : summary->attachments) insertRow("attachments", nextId_["attachments"]++, id, a);
}

void CatalogueStore::markDuplicates()
{
    execute("UPDATE passports SET duplicate_of = (SELECT MIN(q.path) FROM passports q WHERE q.sha256 = passports.sha256 "
            "AND q.path < passports.path AND q.error IS NULL)");
}

std::vector<ListedPassport> CatalogueStore::listPassports()
{
    gis::GdalErrorScope errors;
    QByteArray sql = "SELECT fid, path, object_name, region, preparation_method, end_preparation_year, "
                     "oil, dissolved_gas, gas, condensate, error";
    for (const char* name : kRegionColumns) sql += QByteArray(", ") + name;
    ResultSet r{ds_.get(), ds_->ExecuteSQL((sql + " FROM passports WHERE duplicate_of IS NULL").constData(), nullptr, nullptr)};
    if (!r.layer) fail(QStringLiteral("список паспортов не прочитан"));
    std::vector<ListedPassport> list;
    const Columns c(r.layer);
    while (std::unique_ptr<OGRFeature> f{r.layer->GetNextFeature()}) {
        ListedPassport p;
        p.id = c.integer(*f, "fid");
        p.path = c.text(*f, "path");
        p.objectName = c.text(*f, "object_name");
        p.region = c.text(*f, "region");
        p.method = c.text(*f, "preparation_method");
        p.year = c.integer(*f, "end_preparation_year");
        p.oil = c.real(*f, "oil");
        p.dissolvedGas = c.real(*f, "dissolved_gas");
        p.gas = c.real(*f, "gas");
        p.condensate = c.real(*f, "condensate");
        p.error = c.text(*f, "error");
        p.loaded = p.error.isEmpty();
        for (const char* name : kRegionColumns)
            if (const QString r = c.text(*f, name); !r.isEmpty()) p.regionNames << r;
        list.push_back(std::move(p));
    }
    if (errors.failed()) fail(QStringLiteral("список паспортов не прочитан"));
    // One order whatever the target's collation, so sums add up the same everywhere.
    std::sort(list.begin(), list.end(), [](const ListedPassport& a, const ListedPassport& b) { return a.path < b.path; });
    return list;
}

std::set<qint64> CatalogueStore::passportsInBox(const Box& b)
{
    gis::GdalErrorScope errors;
    const double x0 = std::min(b.lon1, b.lon2), x1 = std::max(b.lon1, b.lon2);
    const double y0 = std::min(b.lat1, b.lat2), y1 = std::max(b.lat1, b.lat2);
    OGRLayer* l = layer("contours");
    OGRPolygon box;
    {
        auto ring = std::make_unique<OGRLinearRing>();
        ring->addPoint(x0, y0), ring->addPoint(x1, y0), ring->addPoint(x1, y1), ring->addPoint(x0, y1), ring->addPoint(x0, y0);
        box.addRingDirectly(ring.release());
    }
    l->SetAttributeFilter(nullptr);
    l->SetSpatialFilterRect(x0, y0, x1, y1);
    l->ResetReading();
    const int passportField = l->GetLayerDefn()->GetFieldIndex("passport_id");
    std::set<qint64> found;
    while (std::unique_ptr<OGRFeature> f{l->GetNextFeature()}) {
        const OGRGeometry* g = f->GetGeometryRef();
        if (g && g->Intersects(&box)) found.insert(f->GetFieldAsInteger64(passportField));
    }
    l->SetSpatialFilter(nullptr);
    if (errors.failed()) fail(QStringLiteral("контуры не прочитаны"));
    return found;
}

std::map<qint64, std::vector<std::vector<QPointF>>> CatalogueStore::contourRings(const std::set<qint64>& passports)
{
    gis::GdalErrorScope errors;
    OGRLayer* l = layer("contours");
    l->SetSpatialFilter(nullptr);
    l->SetAttributeFilter(nullptr);
    l->ResetReading();
    const int passportField = l->GetLayerDefn()->GetFieldIndex("passport_id");
    std::map<qint64, std::vector<std::vector<QPointF>>> rings;
    while (std::unique_ptr<OGRFeature> f{l->GetNextFeature()}) {
        const qint64 id = f->GetFieldAsInteger64(passportField);
        if (!passports.count(id)) continue;
        const OGRGeometry* g = f->GetGeometryRef();
        if (!g || wkbFlatten(g->getGeometryType()) != wkbPolygon) continue;
        const OGRLinearRing* ring = g->toPolygon()->getExteriorRing();
        if (!ring) continue;
        std::vector<QPointF> points;
        for (int i = 0; i < ring->getNumPoints(); ++i) points.emplace_back(ring->getX(i), ring->getY(i));
        rings[id].push_back(std::move(points));
    }
    return rings;
}

} // namespace talvena::catalogue
