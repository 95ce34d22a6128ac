// The journal's cost on the edits a user makes in the example passport, as the grid and the form
// make them: a productive horizon's cell typed and posted (its rules recompute the resources), and
// a form value with the rules it sets off posted as one step. Each with the journal recording
// and with it suspended; the difference is the journal's overhead. Also undo and redo of one cell.
#include "large_passports.h"
#include "model/data_module.h"
#include "model/passport_rules.h"
#include "session_history.h"

#include <benchmark/benchmark.h>

#include <QDir>

using namespace talvena;

namespace {

TDataModule2& examplePassport()
{
    static TDataModule2* m = [] {
        auto* module = new TDataModule2;
        module->DataModuleCreate(bench::binFolder());
        module->LoadPassport(QDir(bench::binFolder()).filePath("../examples/example.psp"));
        return module;
    }();
    return *m;
}

// One grid cell: the row made current, the text typed into the field, the record posted.
void BM_GridCellEditOfAHorizon(benchmark::State& state)
{
    TDataModule2& m = examplePassport();
    RecordTable& h = m.POSIB_PRODUCT_HOR;
    if (!state.range(0)) m.journal().suspend();
    Field& area = h.fieldByName("OILSQUAREMAX");
    int i = 0;
    for (auto _ : state) {
        h.moveTo(i % h.recordCount());
        h.edit();
        area.setText(QByteArray::number(5000 + (i++ % 50)) + ".25");
        h.post();
        bench::KeepASessionsHistory(state, m.journal(), i);
    }
    if (!state.range(0)) m.journal().resume();
    m.journal().clear();
    state.SetLabel(state.range(0) ? "journal" : "no journal");
}
BENCHMARK(BM_GridCellEditOfAHorizon)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A method group's value typed on the form: the exclusive method rule empties the other groups.
void BM_FormEditWithItsRules(benchmark::State& state)
{
    TDataModule2& m = examplePassport();
    if (!state.range(0)) m.journal().suspend();
    int i = 0;
    for (auto _ : state)
        EditPassportField(m, i++ % 2 ? "MOGTREPETISHIONS" : "MOGTREPETISHIONS3D", Value::integer(10 + i % 50),
                          QStringLiteral("Кратность наблюдений МОГТ"));
    if (!state.range(0)) m.journal().resume();
    m.journal().clear();
    state.SetLabel(state.range(0) ? "journal" : "no journal");
}
BENCHMARK(BM_FormEditWithItsRules)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Undo and redo of one horizon cell, through the data module as the menu runs them.
void BM_UndoRedoOfAHorizonCell(benchmark::State& state)
{
    TDataModule2& m = examplePassport();
    RecordTable& h = m.POSIB_PRODUCT_HOR;
    h.first();
    h.edit();
    static int run = 0; // the benchmark runs this more than once: each run changes the value
    h.fieldByName("OILSQUAREMAX").setText(QByteArray::number(7000 + ++run) + ".5");
    h.post();
    if (!m.journal().canUndo()) state.SkipWithError("the edit made no step");
    for (auto _ : state) {
        if (!m.UndoAction().table || !m.RedoAction().table) state.SkipWithError("nothing was undone or redone");
    }
    m.journal().clear();
}
BENCHMARK(BM_UndoRedoOfAHorizonCell)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
