#include "gis/coordinate_systems.h"

#include "base/error.h"
#include "model/contour_area.h"

#include <proj.h>

#include <cmath>
#include <string>

namespace talvena::gis {

namespace {

// PROJ objects are freed with the one function whatever they are.
struct PjDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
using ContextPtr = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;

ContextPtr newContext()
{
    ContextPtr ctx(proj_context_create());
    // Messages are ours; PROJ's own go nowhere.
    proj_log_level(ctx.get(), PJ_LOG_NONE);
    return ctx;
}

std::string text(const Crs& crs) { return crs.definition.toStdString(); }

[[noreturn]] void unknownCrs(const Crs& crs)
{
    throw Error(formatMessage("Система координат «%s» неизвестна: укажите код EPSG, например EPSG:28413.",
                              {text(crs).substr(0, 200)}));
}

PjPtr createCrs(PJ_CONTEXT* ctx, const Crs& crs)
{
    PjPtr pj(proj_create(ctx, crs.definition.constData()));
    if (!pj || !proj_is_crs(pj.get())) unknownCrs(crs);
    return pj;
}

std::string nameOf(const PJ* pj)
{
    const char* n = proj_get_name(pj);
    return n ? n : "";
}

bool isEpsg(const PJ* pj, const char* code)
{
    const char* auth = proj_get_id_auth_name(pj, 0);
    const char* c = proj_get_id_code(pj, 0);
    return auth && c && std::string(auth) == "EPSG" && std::string(c) == code;
}

// Letters and digits only, lower case: "D_Pulkovo_1942" and "Pulkovo 1942" meet as "dpulkovo1942".
std::string squeezed(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (std::isalnum(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (out.size() > 1 && out[0] == 'd' && (out.rfind("dpulkovo", 0) == 0 || out.rfind("dwgs", 0) == 0 || out.rfind("dgsk", 0) == 0))
        out.erase(0, 1);
    return out;
}

// The datum of a geodetic system among the three of the coordinate types, by its EPSG code or,
// for files that name it only (ESRI .prj), by its name.
std::optional<Datum> datumOf(PJ_CONTEXT* ctx, const PJ* geodetic)
{
    PjPtr datum(proj_crs_get_datum_forced(ctx, geodetic));
    if (!datum) return std::nullopt;
    if (isEpsg(datum.get(), "6284")) return Datum::Pulkovo1942;
    if (isEpsg(datum.get(), "1159")) return Datum::Gsk2011;
    if (isEpsg(datum.get(), "6326")) return Datum::Wgs84;
    const std::string n = squeezed(nameOf(datum.get()));
    if (n == "pulkovo1942") return Datum::Pulkovo1942;
    if (n == "gsk2011" || n == "geodezicheskayasistemakoordinat2011") return Datum::Gsk2011;
    if (n.rfind("worldgeodeticsystem1984", 0) == 0 || n == "wgs1984" || n == "wgs84") return Datum::Wgs84;
    return std::nullopt;
}

PjPtr geodeticOf(PJ_CONTEXT* ctx, const PJ* crs, const Crs& given)
{
    PjPtr geo(proj_crs_get_geodetic_crs(ctx, crs));
    if (!geo) unknownCrs(given);
    return geo;
}

// An operation whose input and output are east, north (longitude first).
PjPtr normalized(PJ_CONTEXT* ctx, PjPtr op)
{
    if (!op) return op;
    return PjPtr(proj_normalize_for_visualization(ctx, op.get()));
}

PjPtr between(PJ_CONTEXT* ctx, const PJ* a, const PJ* b)
{
    return normalized(ctx, PjPtr(proj_create_crs_to_crs_from_pj(ctx, a, b, nullptr, nullptr)));
}

} // namespace

std::optional<Datum> ParseDatum(const QByteArray& text)
{
    if (text == "pulkovo1942") return Datum::Pulkovo1942;
    if (text == "gsk2011") return Datum::Gsk2011;
    if (text == "wgs84") return Datum::Wgs84;
    return std::nullopt;
}

QString DatumTitle(Datum datum)
{
    switch (datum) {
    case Datum::Pulkovo1942: return QStringLiteral("Пулково 1942 (EPSG:4284)");
    case Datum::Gsk2011: return QStringLiteral("ГСК-2011 (EPSG:7683)");
    case Datum::Wgs84: return QStringLiteral("WGS 84 (EPSG:4326)");
    }
    return {};
}

int GeographicEpsg(Datum datum)
{
    switch (datum) {
    case Datum::Pulkovo1942: return 4284;
    case Datum::Gsk2011: return 7683;
    case Datum::Wgs84: return 4326;
    }
    return 4284;
}

int GaussKrugerEpsg(Datum datum, int zone)
{
    if (datum == Datum::Wgs84)
        throw Error("В системе WGS 84 нет зон Гаусса-Крюгера: для проекции Гаусса-Крюгера выберите Пулково 1942 или ГСК-2011.");
    if (zone < 4 || zone > 32)
        throw Error(formatMessage("Зона Гаусса-Крюгера %s вне зон 4–32, для которых есть система координат.",
                                  {std::to_string(zone)}));
    return (datum == Datum::Pulkovo1942 ? 28400 : 20900) + zone;
}

int ZoneOfEasting(double easting)
{
    if (!std::isfinite(easting) || easting < 1'000'000 || easting >= 61'000'000) return 0;
    return static_cast<int>(easting / 1'000'000);
}

int ZoneOfLongitude(double longitude)
{
    double lon = std::fmod(longitude, 360.0);
    if (lon < 0) lon += 360;
    return static_cast<int>(lon / 6) + 1;
}

Crs ParseCrsText(const QByteArray& typed)
{
    QByteArray t = typed.trimmed();
    if (t.toUpper().startsWith("EPSG:")) t = t.mid(5).trimmed();
    bool ok = false;
    const int code = t.toInt(&ok);
    if (!ok || code <= 0)
        throw Error(formatMessage("«%s» — не код системы координат: укажите его в виде EPSG:N, например EPSG:28413.",
                                  {typed.toStdString()}));
    const Crs crs = Crs::epsg(code);
    ContextPtr ctx = newContext();
    createCrs(ctx.get(), crs);
    return crs;
}

QString CrsTitle(const Crs& crs)
{
    if (crs.none()) return QStringLiteral("без системы координат");
    ContextPtr ctx = newContext();
    PjPtr pj(proj_create(ctx.get(), crs.definition.constData()));
    if (!pj) return QString::fromUtf8(crs.definition.left(80));
    QString title = QString::fromStdString(nameOf(pj.get()));
    // MapInfo's systems come without a name: the datum says which one it is.
    if (title.isEmpty() || title == QLatin1String("unnamed")) {
        PjPtr datum(proj_crs_get_datum_forced(ctx.get(), pj.get()));
        const QString datumName = datum ? QString::fromStdString(nameOf(datum.get())) : QString();
        const PJ_TYPE type = proj_get_type(pj.get());
        title = (type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS ? QStringLiteral("географическая")
                                                                                        : QStringLiteral("проекция"));
        if (!datumName.isEmpty()) title += QStringLiteral(", датум ") + datumName;
    }
    const char* auth = proj_get_id_auth_name(pj.get(), 0);
    const char* code = proj_get_id_code(pj.get(), 0);
    if (auth && code) title += QStringLiteral(" (%1:%2)").arg(QString::fromUtf8(auth), QString::fromUtf8(code));
    return title;
}

bool IsGeographic(const Crs& crs)
{
    if (crs.none()) return false;
    ContextPtr ctx = newContext();
    PjPtr pj = createCrs(ctx.get(), crs);
    const PJ_TYPE type = proj_get_type(pj.get());
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

struct CoordinateOperation::Steps {
    ContextPtr ctx;
    std::vector<PjPtr> ops; // applied in order; none at all for "без системы координат"
    std::vector<PJ_DIRECTION> directions;
    std::string from, to;
};

CoordinateOperation::CoordinateOperation(const Crs& from, const Crs& to) : steps_(std::make_unique<Steps>())
{
    Steps& s = *steps_;
    s.ctx = newContext();
    s.from = CrsTitle(from).toStdString();
    s.to = CrsTitle(to).toStdString();
    // Numbers without a system stay what they are.
    if (from.none() || to.none()) return;
    PJ_CONTEXT* ctx = s.ctx.get();
    PjPtr a = createCrs(ctx, from);
    PjPtr b = createCrs(ctx, to);
    PjPtr geoA = geodeticOf(ctx, a.get(), from);
    PjPtr geoB = geodeticOf(ctx, b.get(), to);
    auto add = [&](PjPtr op, PJ_DIRECTION direction) {
        if (!op)
            throw Error(formatMessage("Нет преобразования координат из «%s» в «%s».", {s.from, s.to}));
        s.ops.push_back(std::move(op));
        s.directions.push_back(direction);
    };
    // Projection to its own geographic system, the change of datum, and on to the target
    // projection: the datum step is the one whose choice matters, so it is made explicitly.
    add(between(ctx, a.get(), geoA.get()), PJ_FWD);
    const std::optional<Datum> da = datumOf(ctx, geoA.get());
    const std::optional<Datum> db = datumOf(ctx, geoB.get());
    const bool pulkovoWgs = (da == Datum::Pulkovo1942 && db == Datum::Wgs84) || (da == Datum::Wgs84 && db == Datum::Pulkovo1942);
    if (pulkovoWgs) {
        // GOST R 51794-2008, Pulkovo 1942 to WGS 84 (20).
        add(normalized(ctx, PjPtr(proj_create(ctx, "urn:ogc:def:coordinateOperation:EPSG::5044"))),
            da == Datum::Pulkovo1942 ? PJ_FWD : PJ_INV);
    } else if (!(da && da == db)) {
        add(between(ctx, geoA.get(), geoB.get()), PJ_FWD);
    }
    add(between(ctx, geoB.get(), b.get()), PJ_FWD);
}

CoordinateOperation::~CoordinateOperation() = default;

void CoordinateOperation::apply(std::span<QPointF> points) const
{
    if (points.empty() || steps_->ops.empty()) return;
    // QPointF is two doubles, x then y: PROJ walks them in place with a stride.
    static_assert(sizeof(QPointF) == 2 * sizeof(double));
    double* x = &points.front().rx();
    double* y = &points.front().ry();
    for (size_t i = 0; i < steps_->ops.size(); ++i) {
        proj_errno_reset(steps_->ops[i].get());
        proj_trans_generic(steps_->ops[i].get(), steps_->directions[i], x, sizeof(QPointF), points.size(), y,
                           sizeof(QPointF), points.size(), nullptr, 0, 0, nullptr, 0, 0);
    }
    for (const QPointF& p : points)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || std::abs(p.x()) > 1e20 || std::abs(p.y()) > 1e20)
            throw Error(formatMessage("Точки контура не переводятся из «%s» в «%s»: они вне области этой системы координат.",
                                      {steps_->from, steps_->to}));
}

QByteArray CoordinateOperation::description() const
{
    QByteArray out;
    for (size_t i = 0; i < steps_->ops.size(); ++i) {
        const char* def = proj_as_proj_string(steps_->ctx.get(), steps_->ops[i].get(), PJ_PROJ_5, nullptr);
        if (!out.isEmpty()) out += '\n';
        if (steps_->directions[i] == PJ_INV) out += "inverse of ";
        out += def ? QByteArray(def) : QByteArray(nameOf(steps_->ops[i].get()).c_str());
    }
    return out;
}

std::optional<Crs> HorizonCrs(int coordType, Datum datum, std::span<const QPointF> points, int zone)
{
    if (coordType == 1 || coordType == 2) return Crs::epsg(GeographicEpsg(datum));
    if (coordType != 4) return std::nullopt;
    for (const QPointF& p : points)
        if (const int z = ZoneOfEasting(p.x())) return Crs::epsg(GaussKrugerEpsg(datum, z));
    if (zone > 0) return Crs::epsg(GaussKrugerEpsg(datum, zone));
    return std::nullopt;
}

Crs GeographicOf(const Crs& crs)
{
    ContextPtr ctx = newContext();
    PjPtr pj = createCrs(ctx.get(), crs);
    PjPtr geo = geodeticOf(ctx.get(), pj.get(), crs);
    const char* wkt = proj_as_wkt(ctx.get(), geo.get(), PJ_WKT2_2019, nullptr);
    if (!wkt) unknownCrs(crs);
    return {QByteArray(wkt)};
}

std::optional<double> GeodesicAreaKm2(const Crs& crs, std::span<const QPointF> points)
{
    if (crs.none() || points.size() < 3) return std::nullopt;
    std::vector<QPointF> lonLat(points.begin(), points.end());
    CoordinateOperation(crs, GeographicOf(crs)).apply(lonLat);
    return ContourAreaKm2(2, lonLat);
}

} // namespace talvena::gis
