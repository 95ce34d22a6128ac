// Contours through GIS files, beside the limits they are held to: importing one contour of
// 100,000 vertices from a Gauss-Krüger Shapefile into a geographic horizon (≤ 0.3 s), and
// exporting 1,000 contours of 1,000 points each to GeoPackage (≤ 2 s).
#include "gis/contour_export.h"
#include "gis/contour_import.h"
#include "gis/gis_file.h"
#include "contour_passport.h"
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
    return contourPassport(horizons, perHorizon, {74, 56}, {0.1, 0.1}, {0.04, 0.02});
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
