// Record-table figures on contour-sized tables: append + post, a filter change, sorting on text.
#include "contour_table.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace talvena;

namespace {

constexpr int kPoints = 1'000'000;
constexpr int kHeads = 1'000;

std::unique_ptr<RecordTable> contourTable() { return emptyContourTable(); }

void fill(RecordTable& t, int count)
{
    Field& id = t.fieldByName("ID");
    Field& head = t.fieldByName("HEAD_ID");
    Field& x = t.fieldByName("X");
    Field& y = t.fieldByName("Y");
    for (int i = 0; i < count; ++i) {
        t.append();
        id.setInteger(i);
        head.setInteger(i % kHeads);
        x.setFloat(i * 0.5);
        y.setFloat(i * 0.25);
        t.post();
    }
}

RecordTable& sharedContours()
{
    static std::unique_ptr<RecordTable> t = [] {
        auto table = contourTable();
        fill(*table, kPoints);
        table->setFiltered(true);
        return table;
    }();
    return *t;
}

void BM_AppendPost(benchmark::State& state)
{
    for (auto _ : state) {
        auto t = contourTable();
        fill(*t, kPoints);
        benchmark::DoNotOptimize(t->recordCount());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_AppendPost)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FilterAndFirst(benchmark::State& state)
{
    RecordTable& t = sharedContours();
    int head = 0;
    for (auto _ : state) {
        t.setFilterText("HEAD_ID=" + QByteArray::number(head));
        t.first();
        benchmark::DoNotOptimize(t.fieldByName("X").asFloat());
        head = (head + 7) % kHeads;
    }
}
BENCHMARK(BM_FilterAndFirst)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_CountVisible(benchmark::State& state)
{
    RecordTable& t = sharedContours();
    t.setFilterText("HEAD_ID=5");
    for (auto _ : state) benchmark::DoNotOptimize(t.recordCount());
}
BENCHMARK(BM_CountVisible)->Unit(benchmark::kMillisecond);

void BM_SortString(benchmark::State& state)
{
    RecordTable t("T");
    t.addField("NAME", FieldType::String, 40);
    t.open();
    uint32_t seed = 12345;
    for (int i = 0; i < 100'000; ++i) {
        seed = seed * 1103515245u + 12345u;
        t.append();
        t.fieldByName("NAME").setString("Horizon " + QByteArray::number(seed % 1'000'000));
        t.post();
    }
    bool desc = false;
    for (auto _ : state) {
        t.sort(desc ? "NAME:desc" : "NAME");
        desc = !desc;
    }
}
BENCHMARK(BM_SortString)->Unit(benchmark::kMillisecond);

} // namespace
