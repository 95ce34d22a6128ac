// Edit journal figures: a grid edit posted with and without the journal (the overhead), the undo
// and redo of that one cell, and the undo and redo of a million-point contour import.
#include "contour_table.h"
#include "session_history.h"
#include "table/edit_journal.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace talvena;

namespace {

std::unique_ptr<RecordTable> pointsTable(int count)
{
    auto t = emptyContourTable();
    std::vector<Value> values;
    t->beginLoad();
    for (int i = 0; i < count; ++i) {
        values = {Value::integer(i), Value::integer(i % 1000), Value::real(i * 0.5), Value::real(i * 0.25)};
        t->loadRecord(values, 0);
    }
    t->endLoad();
    return t;
}

// One grid cell: the row made current, the value typed, the record posted.
void editCell(RecordTable& t, int i)
{
    t.moveTo(i % t.recordCount());
    t.edit();
    t.fieldByName("X").setFloat(i * 0.125);
    t.post();
}

void BM_GridEdit(benchmark::State& state)
{
    auto t = pointsTable(100'000);
    EditJournal journal;
    if (state.range(0)) t->setJournal(&journal);
    int i = 0;
    for (auto _ : state) {
        editCell(*t, i++);
        bench::KeepASessionsHistory(state, journal, i);
    }
    state.SetLabel(state.range(0) ? "journal" : "no journal");
}
BENCHMARK(BM_GridEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_UndoRedoCell(benchmark::State& state)
{
    auto t = pointsTable(1'000'000);
    EditJournal journal;
    t->setJournal(&journal);
    editCell(*t, 7);
    for (auto _ : state) {
        journal.undo();
        journal.redo();
    }
}
BENCHMARK(BM_UndoRedoCell)->Unit(benchmark::kMicrosecond);

void BM_UndoImportMillion(benchmark::State& state)
{
    auto t = emptyContourTable();
    EditJournal journal;
    t->setJournal(&journal);
    {
        const EditJournal::Action import(&journal, QStringLiteral("Импорт контура"));
        Field& id = t->fieldByName("ID");
        Field& x = t->fieldByName("X");
        for (int i = 0; i < 1'000'000; ++i) {
            t->append();
            id.setInteger(i);
            x.setFloat(i * 0.5);
            t->post();
        }
    }
    state.counters["journal MB"] = static_cast<double>(journal.memoryBytes()) / 1e6;
    for (auto _ : state) {
        journal.undo(); // timed: the undo
        state.PauseTiming();
        journal.redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoImportMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RedoImportMillion(benchmark::State& state)
{
    auto t = pointsTable(0);
    EditJournal journal;
    t->setJournal(&journal);
    {
        const EditJournal::Action import(&journal, QStringLiteral("Импорт контура"));
        for (int i = 0; i < 1'000'000; ++i) {
            t->append();
            t->fieldByName("ID").setInteger(i);
            t->post();
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        journal.undo();
        state.ResumeTiming();
        journal.redo();
    }
}
BENCHMARK(BM_RedoImportMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
