// The contour page's work over a large passport: importing 100,000 lines of text, the chart
// refresh over 1,000 horizons and 1,000,000 points, and the area of a 100,000-point contour.
#include "model/contour_area.h"
#include "model/contour_editing.h"
#include "contour_passport.h"
#include "model/data_module.h"
#include "storage/table_stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>

using namespace talvena;

namespace {

// `horizons` horizons of coordinate type 2, `perHorizon` points each on a small ellipse.
std::unique_ptr<TDataModule2> passport(int horizons, int perHorizon)
{
    return contourPassport(horizons, perHorizon, {60, 55}, {1, 0.5}, {0.2, 0.1});
}

QByteArray importText(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        const double a = 2 * std::numbers::pi * i / lines;
        text += QByteArray::number(37 + 0.2 * std::cos(a), 'f', 6) + ';' +
                QByteArray::number(55 + 0.1 * std::sin(a), 'f', 6).replace('.', ',') + "\r\n";
    }
    return text;
}

// 100,000 lines replace the 100,000 points of the first of ten horizons (1,000,000 points in
// all); the chart refresh that ends the import is part of the figure.
void BM_Import100000Lines(benchmark::State& state)
{
    auto m = passport(10, 100'000);
    const QByteArray text = importText(100'000);
    for (auto _ : state) benchmark::DoNotOptimize(ImportContour(*m, text, {}));
    if (m->KONTUR.recordCount() != 100'000) state.SkipWithError("the import did not replace the contour");
}
BENCHMARK(BM_Import100000Lines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ChartRefresh1000Horizons1000000Points(benchmark::State& state)
{
    auto m = passport(1'000, 1'000);
    for (auto _ : state) benchmark::DoNotOptimize(RefreshContourChart(*m));
}
BENCHMARK(BM_ChartRefresh1000Horizons1000000Points)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

std::vector<QPointF> ellipse(int n)
{
    std::vector<QPointF> out;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        out.emplace_back(76.5 + 0.2 * std::cos(a), 58.5 + 0.1 * std::sin(a));
    }
    return out;
}

void BM_GeodesicArea100000Points(benchmark::State& state)
{
    const auto contour = ellipse(100'000);
    for (auto _ : state) benchmark::DoNotOptimize(ContourAreaKm2(2, contour));
}
BENCHMARK(BM_GeodesicArea100000Points)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The same contour with every edge long enough to be solved as a geodesic: what each point
// would cost without the equal-area short cut.
void BM_GeodesicArea100000LongEdges(benchmark::State& state)
{
    std::vector<QPointF> contour;
    for (int i = 0; i < 100'000; ++i) {
        const double a = 2 * std::numbers::pi * i / 100'000;
        contour.emplace_back(76.5 + 30 * std::cos(a), 40 + 30 * std::sin(a));
    }
    for (auto _ : state) benchmark::DoNotOptimize(ContourAreaKm2(2, contour));
}
BENCHMARK(BM_GeodesicArea100000LongEdges)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// A repaint of the area column over all 1,000 horizons once the areas are known.
void BM_AreaColumnRepaint1000Horizons(benchmark::State& state)
{
    auto m = passport(1'000, 1'000);
    ContourAreas areas(m->POSIB_PRODUCT_HOR, m->KONTUR);
    RecordTable& h = m->POSIB_PRODUCT_HOR;
    for (int i = 0; i < h.storedCount(); ++i) areas.areaOfRow(h.storedRow(i));
    for (auto _ : state)
        for (int i = 0; i < h.storedCount(); ++i) benchmark::DoNotOptimize(areas.textOfRow(h.storedRow(i)));
}
BENCHMARK(BM_AreaColumnRepaint1000Horizons)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
