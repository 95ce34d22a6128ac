// Contours through GIS files, beside the limits they are held to: importing one contour of
// 100,000 vertices from a Gauss-Krüger Shapefile into a geographic horizon (≤ 0.3 s), and
// exporting 1,000 contours of 1,000 points each to GeoPackage (≤ 2 s).
#include "gis/contour_export.h"
#include "gis/contour_import.h"
#include "gis/gis_file.h"
#include "minimal_module.h"
#include "model/contour_editing.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

using namespace talvena;

namespace {

// `horizons` geographic horizons round 76.5° E 58.5° N, `perHorizon` points each on an ellipse.
std::unique_ptr<TDataModule2> passport(int horizons, int perHorizon)
{
    auto m = minimalModule();
    RecordTable& h = m->POSIB_PRODUCT_HOR;
    const int id = h.fieldByName("ID").index();
    const int name = h.fieldByName("STRATIGRSVIT").index();
    const int count = h.fieldByName("KONTURNUMPOINTS").index();
    const int type = h.fieldByName("KONTURKOORDTYPE").index();
    int dataFields = 0;
    for (int f = 0; f < h.fieldCount(); ++f) dataFields += h.field(f).isData() ? 1 : 0;
    h.beginLoad();
    for (int i = 1; i <= horizons; ++i) {
        std::vector<Value> values(static_cast<size_t>(dataFields));
        values[static_cast<size_t>(id)] = Value::integer(i);
        values[static_cast<size_t>(name)] = Value::bytes("H" + QByteArray::number(i));
        values[static_cast<size_t>(count)] = Value::integer(perHorizon);
        values[static_cast<size_t>(type)] = Value::integer(2);
        h.loadRecord(values, 0);
    }
    h.endLoad();
    RecordTable& k = m->KONTUR;
    k.beginLoad();
    for (int i = 0; i < horizons * perHorizon; ++i) {
        const int horizon = 1 + i / perHorizon;
        const double a = 2 * std::numbers::pi * (i % perHorizon) / perHorizon;
        std::vector<Value> values{Value::integer(i), Value::integer(horizon),
                                  Value::real(74 + horizon % 40 * 0.1 + 0.04 * std::cos(a)),
                                  Value::real(56 + horizon / 40 * 0.1 + 0.02 * std::sin(a))};
        k.loadRecord(values, 0);
    }
    k.endLoad();
    h.first();
    return m;
}

void ImportShapefile100kVertices(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString shp = dir.filePath("trap.shp");
    {
        auto source = passport(1, 100'000);
        gis::ExportSettings settings;
        settings.format = "ESRI Shapefile";
        settings.crs = gis::Crs::epsg(28413);
        gis::ExportContours(*source, shp, settings);
    }
    auto m = passport(1, 0);
    for (auto _ : state) {
        const gis::GisFile file = gis::ReadGisFile(shp);
        const gis::ChosenContour chosen = gis::ChooseContour(file, {});
        const auto points = gis::ConvertForHorizon(*chosen.points, chosen.layer->crs, 2, gis::Datum::Pulkovo1942, std::nullopt);
        ReplaceContour(*m, points);
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["limit_s"] = 0.3;
}
BENCHMARK(ImportShapefile100kVertices)->Unit(benchmark::kMillisecond)->UseRealTime();

void ExportGeoPackage1000Contours1MPoints(benchmark::State& state)
{
    QTemporaryDir dir;
    auto m = passport(1'000, 1'000);
    gis::ExportSettings settings;
    settings.format = "GPKG";
    int n = 0;
    for (auto _ : state) {
        const gis::ExportResult r = gis::ExportContours(*m, dir.filePath(QString("c%1.gpkg").arg(n++)), settings);
        if (r.written != 1'000) state.SkipWithError("not every contour written");
    }
    state.counters["limit_s"] = 2;
}
BENCHMARK(ExportGeoPackage1000Contours1MPoints)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
