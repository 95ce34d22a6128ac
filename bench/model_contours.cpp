// Moving to another productive horizon in a large passport: the scroll, the contour filter that
// follows it and the first point, with 1,000 horizons and 1,000,000 contour points.
#include "contour_table.h"
#include "minimal_module.h"
#include "model/data_module.h"
#include "storage/table_stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace talvena;

namespace {

constexpr int kHorizons = 1'000;
constexpr int kPoints = 1'000'000;

// A created data module whose passport holds the horizons and their points, loaded in bulk.
TDataModule2& largePassport()
{
    static std::unique_ptr<TDataModule2> module = [] {
        auto m = minimalModule();

        RecordTable& h = m->POSIB_PRODUCT_HOR;
        h.beginLoad();
        for (int i = 1; i <= kHorizons; ++i) {
            std::vector<Value> values{Value::integer(i)};
            h.loadRecord(values, 0);
        }
        h.endLoad();

        loadContourPoints(m->KONTUR, kPoints, kHorizons);
        return m;
    }();
    return *module;
}

void BM_MoveToAnotherHorizon(benchmark::State& state)
{
    TDataModule2& m = largePassport();
    RecordTable& horizons = m.POSIB_PRODUCT_HOR;
    Field& x = m.KONTUR.fieldByName("X");
    int position = 0;
    for (auto _ : state) {
        position = (position + 397) % kHorizons;
        horizons.moveTo(position);
        benchmark::DoNotOptimize(x.displayText());
    }
    if (m.KONTUR.recordCount() != kPoints / kHorizons) state.SkipWithError("the contour did not follow");
}
BENCHMARK(BM_MoveToAnotherHorizon)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
