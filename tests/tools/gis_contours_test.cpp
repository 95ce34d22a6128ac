// Contours in and out of a GIS, checked with GDAL's and PROJ's own programs as oracles: files
// written by talvena-psp are read back by ogr2ogr, coordinates are checked against cs2cs, and
// files made by ogr2ogr are imported.
#include "base/cp1251.h"
#include "gis/coordinate_systems.h"
#include "model/data_module.h"
#include "tools/tool_run.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <vector>

namespace talvena {
namespace {

using Points = std::vector<QPointF>;

// cs2cs between EPSG systems, whose axes (geographic and Gauss-Krüger alike) run north first.
Points cs2cs(int fromEpsg, int toEpsg, const Points& points)
{
    ensureApplication();
    QProcess p;
    p.start("cs2cs", {"-f", "%.12f", QString("EPSG:%1").arg(fromEpsg), QString("EPSG:%1").arg(toEpsg)});
    EXPECT_TRUE(p.waitForStarted());
    QByteArray in;
    for (const QPointF& q : points) in += QByteArray::number(q.y(), 'f', 12) + ' ' + QByteArray::number(q.x(), 'f', 12) + '\n';
    p.write(in);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000));
    Points out;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 2) out.emplace_back(f[1].toDouble(), f[0].toDouble());
    }
    EXPECT_EQ(out.size(), points.size());
    return out;
}

double geodesicAreaKm2(const Points& lonLat)
{
    GeographicLib::PolygonArea area(GeographicLib::Geodesic::WGS84());
    for (const QPointF& p : lonLat) area.AddPoint(p.y(), p.x());
    double perimeter = 0, a = 0;
    area.Compute(false, true, perimeter, a);
    return std::abs(a) / 1e6;
}

// Every vertex of `expected` has one in `actual` within `tolerance`, and the numbers agree
// (direction and start of a ring are the format's business).
void expectSameVertices(const Points& expected, Points actual, double tolerance, const std::string& what)
{
    if (actual.size() > 1 && actual.front() == actual.back()) actual.pop_back();
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (const QPointF& e : expected) {
        double best = 1e300;
        for (const QPointF& a : actual) best = std::min(best, std::max(std::abs(a.x() - e.x()), std::abs(a.y() - e.y())));
        EXPECT_LT(best, tolerance) << what << " vertex " << e.x() << " " << e.y();
    }
}

struct ReadFeature {
    QJsonObject properties;
    Points ring;
};

// The features of a file as GDAL reads them, in the file's own system.
std::vector<ReadFeature> readWithOgr(const QString& file, const QStringList& extra = {})
{
    const ProgramRun r = runProgram("ogr2ogr", QStringList{"-f", "GeoJSON", "/vsistdout/", file} + extra);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<ReadFeature> out;
    for (const QJsonValue& f : QJsonDocument::fromJson(r.out).object().value("features").toArray()) {
        ReadFeature rf;
        rf.properties = f["properties"].toObject();
        QJsonArray ring = f["geometry"]["coordinates"][0].toArray();
        if (f["geometry"]["type"].toString() == "MultiPolygon") ring = ring[0].toArray();
        for (const QJsonValue& p : ring) rf.ring.emplace_back(p[0].toDouble(), p[1].toDouble());
        out.push_back(rf);
    }
    return out;
}

QString ogrInfo(const QString& file)
{
    const ProgramRun r = runProgram("ogrinfo", {"-so", "-al", file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromUtf8(r.out);
}

struct HorizonSpec {
    const char* name;
    int coordType;
    Points points;
};

void addHorizon(TDataModule2& m, const HorizonSpec& h)
{
    RecordTable& t = m.POSIB_PRODUCT_HOR;
    t.append();
    t.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251(h.name));
    if (h.coordType >= 0) t.fieldByName("KONTURKOORDTYPE").setInteger(h.coordType);
    t.post();
    for (const QPointF& p : h.points) {
        m.KONTUR.append();
        m.KONTUR.fieldByName("X").setFloat(p.x());
        m.KONTUR.fieldByName("Y").setFloat(p.y());
        m.KONTUR.post();
    }
}

QString makePassport(const QString& path, const std::vector<HorizonSpec>& horizons)
{
    TDataModule2 m;
    m.DataModuleCreate(besideTests(""));
    for (const HorizonSpec& h : horizons) addHorizon(m, h);
    m.SavePassport(path);
    return path;
}

// The stored points of the horizon at `position` (from 0), and its coordinate type.
Points horizonPoints(const QString& passport, int position, int* coordType = nullptr)
{
    TDataModule2 m;
    m.DataModuleCreate(besideTests(""));
    m.LoadPassport(passport);
    // Moving there from elsewhere makes the contour table follow (a load leaves the last one current).
    m.POSIB_PRODUCT_HOR.first();
    m.POSIB_PRODUCT_HOR.next();
    m.POSIB_PRODUCT_HOR.moveTo(position);
    if (coordType) *coordType = static_cast<int>(m.POSIB_PRODUCT_HOR.fieldByName("KONTURKOORDTYPE").asInteger());
    Points out;
    for (m.KONTUR.first(); !m.KONTUR.eof(); m.KONTUR.next())
        out.emplace_back(m.KONTUR.fieldByName("X").asFloat(), m.KONTUR.fieldByName("Y").asFloat());
    return out;
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// A trap near Nizhnevartovsk (zone 13), clockwise as typed, in Pulkovo 1942 degrees.
const Points kTrapLonLat{{76.40, 58.40}, {76.41, 58.46}, {76.52, 58.47}, {76.55, 58.41}, {76.47, 58.38}};

TEST(GisCoordinates, GaussKrugerZonesAndDatumsAgreeWithCs2cs)
{
    using namespace gis;
    // Points in several zones, each converted to its zone and back, on both datums that have zones.
    const Points lonLat{{21.3, 54.7}, {39.5, 55.6}, {49.1, 55.8}, {76.5, 58.5}, {104.2, 52.3}, {158.6, 53.0}};
    for (const Datum datum : {Datum::Pulkovo1942, Datum::Gsk2011}) {
        const int geographic = GeographicEpsg(datum);
        for (const QPointF& p : lonLat) {
            const int zone = ZoneOfLongitude(p.x());
            const int gk = GaussKrugerEpsg(datum, zone);
            const Points expected = cs2cs(geographic, gk, {p});
            const Points ours = CoordinateOperation(Crs::epsg(geographic), Crs::epsg(gk)).applied({p});
            expectSameVertices(expected, ours, 1e-3, "to zone " + std::to_string(zone));
            EXPECT_EQ(ZoneOfEasting(ours[0].x()), zone);
            EXPECT_EQ(HorizonCrs(4, datum, ours)->definition, Crs::epsg(gk).definition);
            const Points back = CoordinateOperation(Crs::epsg(gk), Crs::epsg(geographic)).applied(ours);
            expectSameVertices(cs2cs(gk, geographic, ours), back, 1e-9, "from zone " + std::to_string(zone));
            expectSameVertices({p}, back, 1e-9, "round trip");
        }
    }
    // Pulkovo 1942 to WGS 84 is the GOST operation, both ways, whatever else PROJ knows.
    const CoordinateOperation toWgs(Crs::epsg(4284), Crs::epsg(4326));
    EXPECT_TRUE(toWgs.description().contains("+x=23.57 +y=-140.95 +z=-79.8")) << toWgs.description().toStdString();
    const ProgramRun gost = runProgram("sh", {"-c", "printf '58.4 76.4 0\\n55.75 37.6 0\\n' | cct -d 12 $(projinfo -k operation EPSG:5044 -o PROJ -q --single-line)"});
    QList<QByteArray> lines = gost.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const Points wgs = toWgs.applied({{76.4, 58.4}, {37.6, 55.75}});
    for (int i = 0; i < 2; ++i) {
        const QList<QByteArray> f = lines[i].simplified().split(' ');
        EXPECT_NEAR(wgs[size_t(i)].x(), f[1].toDouble(), 1e-10);
        EXPECT_NEAR(wgs[size_t(i)].y(), f[0].toDouble(), 1e-10);
    }
    // The way back is the inverse operation (the Helmert inverse is not exact to 1e-9°: cs2cs's too).
    expectSameVertices(cs2cs(4326, 4284, {wgs[0]}), CoordinateOperation(Crs::epsg(4326), Crs::epsg(4284)).applied({wgs[0]}), 1e-9,
                       "back");
}

TEST(GisExport, EveryWritableFormatReadsBackWithTheSameVerticesAndAttributes)
{
    QTemporaryDir dir;
    // Zone 13 easting/northing of the trap, shifted to be a second one; a type-0 horizon whose
    // system is given on the command line; a two-point horizon, which is not a polygon.
    Points gk = cs2cs(4284, 28413, kTrapLonLat);
    for (QPointF& p : gk) p += QPointF(20'000, 5'000);
    Points local = cs2cs(4284, 28413, kTrapLonLat);
    for (QPointF& p : local) p += QPointF(-15'000, 30'000);
    const std::vector<HorizonSpec> horizons{{"Ю1 (васюганская свита)", 1, kTrapLonLat},
                                           {"Ю2", 2, cs2cs(28413, 4284, local)},
                                           {"Блок ГК", 4, gk},
                                           {"Местная", 0, local},
                                           {"Две точки", 2, {{76.4, 58.4}, {76.5, 58.5}}}};
    const QString passport = makePassport(dir.filePath("traps.psp"), horizons);
    // What each horizon is in Pulkovo 1942 degrees, the system every expectation starts from.
    const std::vector<Points> lonLat{kTrapLonLat, horizons[1].points, cs2cs(28413, 4284, gk), cs2cs(28413, 4284, local)};

    struct Case {
        const char* format;
        const char* file;
        int epsg;         // the file's system
        bool crsOption;   // given with --crs (otherwise the format's default)
        double tolerance; // degrees or metres
        bool attributes;
    };
    const Case cases[] = {{"GPKG", "c.gpkg", 28413, true, 1e-3, true},
                          {"ESRI Shapefile", "c.shp", 28413, true, 1e-3, true},
                          {"MapInfo File", "c.tab", 4284, false, 1e-9, true},
                          {"KML", "c.kml", 4326, false, 1e-9, true},
                          {"GeoJSON", "c.geojson", 4326, false, 1e-9, true},
                          {"DXF", "c.dxf", 7683, true, 1e-9, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        QStringList args{"contours", "--format", c.format, "--other-crs", "EPSG:28413"};
        if (c.crsOption) args << "--crs" << QString("EPSG:%1").arg(c.epsg);
        const QString out = dir.filePath(c.file);
        const ProgramRun r = run("talvena-psp", args << passport << out);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const std::vector<ReadFeature> features = readWithOgr(out);
        ASSERT_EQ(features.size(), 4u); // the two-point horizon is not a polygon
        for (size_t i = 0; i < 4; ++i) {
            expectSameVertices(cs2cs(4284, c.epsg, lonLat[i]), features[i].ring, c.tolerance, horizons[i].name);
            if (!c.attributes) continue;
            const QJsonObject& p = features[i].properties;
            EXPECT_EQ(p.value(p.contains("Name") ? "Name" : "name").toString(), QString::fromUtf8(horizons[i].name));
            EXPECT_EQ(p.value(c.epsg == 28413 && QString(c.format) == "ESRI Shapefile" ? "coordType" : "coordinateType").toInt(),
                      horizons[i].coordType);
            EXPECT_EQ(p.value("points").toInt(), 5);
            EXPECT_NEAR(p.value("areaKm2").toDouble(), geodesicAreaKm2(lonLat[i]), geodesicAreaKm2(lonLat[i]) * 1e-4);
        }
        // The system is in the file (MapInfo names the datum, not the EPSG code); DXF keeps none.
        const QString info = ogrInfo(out);
        if (c.epsg == 4284) {
            EXPECT_TRUE(info.contains("DATUM[\"Pulkovo 1942\"")) << info.toStdString();
        } else if (c.epsg != 7683) {
            EXPECT_TRUE(info.contains(QString("ID[\"EPSG\",%1]").arg(c.epsg))) << info.toStdString();
        }
    }

    // Standard output: RFC 7946 GeoJSON in WGS 84, counter-clockwise rings; the type-0 horizon
    // without its system is named on standard error and makes the exit code 1.
    const ProgramRun r = run("talvena-psp", {"contours", passport});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8("Местная"))) << r.err.toStdString();
    const QJsonArray features = QJsonDocument::fromJson(r.out).object().value("features").toArray();
    ASSERT_EQ(features.size(), 3);
    Points ring;
    for (const QJsonValue& p : features[0]["geometry"]["coordinates"][0].toArray()) ring.emplace_back(p[0].toDouble(), p[1].toDouble());
    expectSameVertices(cs2cs(4284, 4326, kTrapLonLat), ring, 1e-9, "stdout");
    double twiceArea = 0;
    for (size_t i = 0; i + 1 < ring.size(); ++i) twiceArea += ring[i].x() * ring[i + 1].y() - ring[i + 1].x() * ring[i].y();
    EXPECT_GT(twiceArea, 0);
}

TEST(GisExport, ExamplePassportTrapsArePolygonsInWgs84OnStandardOutput)
{
    const ProgramRun r = run("talvena-psp", {"contours", kExample});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray features = QJsonDocument::fromJson(r.out).object().value("features").toArray();
    ASSERT_EQ(features.size(), 4);
    for (const QJsonValue& f : features) {
        EXPECT_EQ(f["geometry"]["type"].toString(), "Polygon");
        EXPECT_GT(f["properties"]["areaKm2"].toDouble(), 1);
        const QJsonArray ring = f["geometry"]["coordinates"][0].toArray();
        EXPECT_EQ(ring.first(), ring.last());
        EXPECT_NEAR(ring.first()[0].toDouble(), 76.5, 0.2); // longitude first
    }
}

TEST(GisImport, ShapefileAndMapInfoLandWhereCs2csPutsThem)
{
    QTemporaryDir dir;
    QByteArray json = R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"Ловушка"},
        "geometry":{"type":"Polygon","coordinates":[[)";
    for (const QPointF& p : kTrapLonLat) json += "[" + QByteArray::number(p.x(), 'f', 10) + "," + QByteArray::number(p.y(), 'f', 10) + "],";
    json += "[" + QByteArray::number(kTrapLonLat[0].x(), 'f', 10) + "," + QByteArray::number(kTrapLonLat[0].y(), 'f', 10) + "]]]}}]}";
    writeText(dir.filePath("trap.geojson"), json);
    const QString shp = dir.filePath("trap.shp"), tab = dir.filePath("trap.tab");
    ASSERT_EQ(runProgram("ogr2ogr", {"-s_srs", "EPSG:4284", "-t_srs", "EPSG:28413", shp, dir.filePath("trap.geojson")}).exitCode, 0);
    ASSERT_EQ(runProgram("ogr2ogr", {"-f", "MapInfo File", "-a_srs", "EPSG:4284", tab, dir.filePath("trap.geojson")}).exitCode, 0);
    // The vertices as the files hold them, taken to Pulkovo degrees and Gauss-Krüger zone 13 by cs2cs.
    const Points shpGk = readWithOgr(shp)[0].ring;
    const Points tabLonLat = readWithOgr(tab)[0].ring;
    const Points shpLonLat = cs2cs(28413, 4284, Points(shpGk.begin(), shpGk.end() - 1));

    const QString passport = makePassport(dir.filePath("p.psp"), {{"Ю1", 2, {{1, 1}, {2, 2}}}, {"Блок", 4, {}}, {"Пустой", -1, {}}});
    struct Case {
        QString file;
        QString horizon;
        int position;
        Points expected;
        double tolerance;
    };
    const Case cases[] = {{shp, "Ю1", 0, shpLonLat, 1e-9},
                          {tab, "1", 0, Points(tabLonLat.begin(), tabLonLat.end() - 1), 1e-9},
                          {shp, QString::fromUtf8("Блок"), 1, Points(shpGk.begin(), shpGk.end() - 1), 1e-3},
                          {tab, "2", 1, cs2cs(4284, 28413, Points(tabLonLat.begin(), tabLonLat.end() - 1)), 1e-3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString() + " into " + c.horizon.toStdString());
        const ProgramRun r = run("talvena-psp", {"import-contour", passport, c.horizon, c.file});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const Points stored = horizonPoints(passport, c.position);
        EXPECT_EQ(stored.size(), 5u); // the closing point is not repeated
        expectSameVertices(c.expected, stored, c.tolerance, "stored");
        // The geodesic area is the source's.
        const Points storedLonLat = c.position == 0 ? stored : cs2cs(28413, 4284, stored);
        EXPECT_NEAR(geodesicAreaKm2(storedLonLat), geodesicAreaKm2(kTrapLonLat), geodesicAreaKm2(kTrapLonLat) * 1e-4);
    }
    // A horizon without a coordinate type has it chosen first.
    const QByteArray before = fileHash(passport);
    ProgramRun r = run("talvena-psp", {"import-contour", passport, "3", shp});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8("не выбран тип координат"))) << r.err.toStdString();
    EXPECT_EQ(fileHash(passport), before);
    r = run("talvena-psp", {"import-contour", "--type", "1", passport, "3", shp});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    int type = -1;
    expectSameVertices(shpLonLat, horizonPoints(passport, 2, &type), 1e-9, "typed");
    EXPECT_EQ(type, 1);
}

TEST(GisImport, PolygonTextChoicesAndFailuresLeaveThePassportAsItWas)
{
    QTemporaryDir dir;
    const QString passport = makePassport(dir.filePath("p.psp"), {{"Ю1", 2, {{76.5, 58.5}, {76.6, 58.5}, {76.6, 58.6}}}});
    const Points gk = cs2cs(4284, 28413, kTrapLonLat);
    const Points second{{13'450'000, 6'480'000}, {13'460'000, 6'480'000}, {13'455'000, 6'490'000}};
    auto line = [](const QPointF& p, const char* sep) {
        return QByteArray::number(p.x(), 'f', 4) + sep + QByteArray::number(p.y(), 'f', 4);
    };
    QByteArray bln = "5,1,\"Ловушка 1\"\n";
    for (const QPointF& p : gk) bln += line(p, ",") + ",0\n";
    bln += "4,1,\"Ловушка 2\"\n";
    for (const QPointF& p : second) bln += line(p, ",") + "\n";
    bln += line(second[0], ",") + "\n";
    QByteArray irap;
    for (const QPointF& p : gk) irap += line(p, " ") + " 2500.0\n";
    irap += line(gk[0], " ") + " 2500.0\n999.000000 999.000000 999.000000\n";
    QByteArray zmap = "! ZMAP+ polygon\n@trap HEADER, POLYGON, 3\n 5, 1.0E+30, , 4, 1\n@\n";
    for (const QPointF& p : second) zmap += line(p, " ") + " 0.0 1\n";
    zmap += "1.0E+30 1.0E+30 1.0E+30 1\n";
    for (const QPointF& p : gk) zmap += line(p, " ") + " 0.0 2\n";
    writeText(dir.filePath("trap.bln"), bln);
    writeText(dir.filePath("trap.irap"), irap);
    writeText(dir.filePath("trap.zmap"), zmap);
    // Two features, the second a multipolygon of two parts, in WGS 84 as GeoJSON is.
    const Points wgs = cs2cs(4284, 4326, kTrapLonLat);
    QByteArray ring = "[";
    for (const QPointF& p : wgs) ring += "[" + QByteArray::number(p.x(), 'f', 12) + "," + QByteArray::number(p.y(), 'f', 12) + "],";
    ring += "[" + QByteArray::number(wgs[0].x(), 'f', 12) + "," + QByteArray::number(wgs[0].y(), 'f', 12) + "]]";
    writeText(dir.filePath("multi.geojson"),
              R"({"type":"FeatureCollection","features":[
              {"type":"Feature","properties":{"n":1},"geometry":{"type":"Polygon","coordinates":[[[70,60],[71,60],[71,61],[70,60]]]}},
              {"type":"Feature","properties":{"n":2},"geometry":{"type":"MultiPolygon","coordinates":[[[[70,60],[71,60],[71,61],[70,60]]],[)" +
                  ring + "]]}}]}");
    // A Shapefile that is only a damaged header, and a BLN with a bad number.
    writeText(dir.filePath("broken.shp"), QByteArray("\x00\x00\x27\x0a", 4) + QByteArray(40, '\x01'));
    writeText(dir.filePath("broken.bln"), "5,1\n1,2\n3,x\n");

    struct Failure {
        QStringList args;
        const char* message;
    };
    const QString p = passport;
    const Failure failures[] = {
        {{dir.filePath("trap.irap")}, "нет системы координат"},
        {{"--crs", "EPSG:28413", dir.filePath("trap.bln")}, "выберите номер объекта (1–2)"},
        {{dir.filePath("multi.geojson")}, "выберите номер объекта"},
        {{"--feature", "2", dir.filePath("multi.geojson")}, "выберите часть (1–2)"},
        {{"--feature", "3", dir.filePath("multi.geojson")}, "нет объекта 3"},
        {{dir.filePath("broken.shp")}, "не читается"},
        {{"--crs", "EPSG:28413", dir.filePath("broken.bln")}, "строка 3"},
        {{"--crs", "EPSG:999999", dir.filePath("trap.irap")}, "неизвестна"},
        {{dir.filePath("missing.shp")}, "не открывается"},
    };
    const QByteArray before = fileHash(passport);
    for (const Failure& f : failures) {
        const QStringList args = QStringList{"import-contour"} + f.args.mid(0, f.args.size() - 1) + QStringList{p, "1", f.args.last()};
        const ProgramRun r = run("talvena-psp", args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(f.message))) << r.err.toStdString();
        EXPECT_EQ(fileHash(passport), before) << args.join(' ').toStdString();
    }

    struct Import {
        QStringList options;
        QString file;
        Points expectedLonLat;
        double tolerance;
    };
    const Points gkLonLat = cs2cs(28413, 4284, gk);
    const Import imports[] = {
        {{"--crs", "EPSG:28413", "--feature", "1"}, "trap.bln", gkLonLat, 1e-9},
        {{"--crs", "EPSG:28413", "--feature", "2"}, "trap.bln", cs2cs(28413, 4284, second), 1e-9},
        {{"--crs", "EPSG:28413"}, "trap.irap", gkLonLat, 1e-9},
        {{"--crs", "EPSG:28413", "--feature", "2"}, "trap.zmap", gkLonLat, 1e-9},
        {{"--feature", "2", "--part", "2"}, "multi.geojson", cs2cs(4326, 4284, wgs), 1e-9},
        {{"--crs", "none", "--feature", "1"}, "trap.zmap", second, 1e-9},
    };
    for (const Import& i : imports) {
        const QStringList args = QStringList{"import-contour"} + i.options + QStringList{p, QString::fromUtf8("Ю1"), dir.filePath(i.file)};
        const ProgramRun r = run("talvena-psp", args);
        ASSERT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << r.err.toStdString();
        expectSameVertices(i.expectedLonLat, horizonPoints(passport, 0), i.tolerance, args.join(' ').toStdString());
    }
}

} // namespace
} // namespace talvena
