// The grids' clipboard over a large passport (ten horizons of 100,000 points each): pasting
// 100,000 coordinate pairs copied from a spreadsheet into the point grid (the clipboard's text read,
// every value through the coordinate's rules, the point count written) and copying 100,000 rows of
// the point grid into both clipboard forms. The text import of the same number of lines
// (BM_Import100000Lines) is the reference for the paste.
#include "contour_passport.h"
#include "model/grid_paste.h"
#include "table/cell_block.h"
#include "table/edit_journal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

using namespace talvena;

namespace {

std::unique_ptr<TDataModule2> passport() { return contourPassport(10, 100'000, {60, 55}, {1, 0.5}, {0.2, 0.1}); }

// Tab-separated pairs with decimal commas, as LibreOffice Calc copies them.
QString spreadsheetPairs(int rows)
{
    QString text;
    for (int i = 0; i < rows; ++i) {
        const double a = 2 * std::numbers::pi * i / rows;
        text += QString::number(37 + 0.2 * std::cos(a), 'f', 6).replace(u'.', u',') + u'\t' +
                QString::number(55 + 0.1 * std::sin(a), 'f', 6).replace(u'.', u',') + QStringLiteral("\r\n");
    }
    return text;
}

GridTarget pointGrid(TDataModule2& m) { return ModuleGridTarget(m, *FindGrid("JvDBGrid14"), {0, 1}); }

// Over the first horizon's 100,000 points: each pair rewrites a point.
void BM_Paste100000PairsOverPoints(benchmark::State& state)
{
    auto m = passport();
    const QString text = spreadsheetPairs(100'000);
    for (auto _ : state) {
        const PasteOutcome o = PasteBlock(pointGrid(*m), 0, 0, ReadTabText(text));
        if (o.taken != 200'000) state.SkipWithError("not every value was taken");
        state.PauseTiming();
        m->journal().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Paste100000PairsOverPoints)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Below the last point of an empty contour: each pair is a new point.
void BM_Paste100000PairsAsNewPoints(benchmark::State& state)
{
    auto m = passport();
    RecordTable& h = m->POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("STRATIGRSVIT").setString("NEW");
    h.fieldByName("KONTURKOORDTYPE").setInteger(2);
    h.post();
    m->journal().clear();
    const QString text = spreadsheetPairs(100'000);
    for (auto _ : state) {
        const PasteOutcome o = PasteBlock(pointGrid(*m), 0, 0, ReadTabText(text));
        if (o.appended != 100'000 || h.fieldByName("KONTURNUMPOINTS").asInteger() != 100'000)
            state.SkipWithError("the points were not appended");
        state.PauseTiming();
        m->journal().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Paste100000PairsAsNewPoints)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The selection of a whole contour copied: shown texts, then the tab text and the HTML table.
void BM_Copy100000Rows(benchmark::State& state)
{
    auto m = passport();
    const GridTarget grid = pointGrid(*m);
    std::vector<int> rows(100'000);
    for (int i = 0; i < 100'000; ++i) rows[size_t(i)] = i;
    for (auto _ : state) {
        const CellBlock block = CopyCells(grid, rows, {0, 1});
        benchmark::DoNotOptimize(WriteTabText(block));
        benchmark::DoNotOptimize(WriteHtmlTable(block));
    }
}
BENCHMARK(BM_Copy100000Rows)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
