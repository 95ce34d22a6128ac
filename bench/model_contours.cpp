// Moving to another productive horizon in a large passport: the scroll, the contour filter that
// follows it and the first point, with 1,000 horizons and 1,000,000 contour points.
#include "contour_table.h"
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

void writeTable(RecordTable& t, const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write dictionaries");
    WriteTableStream(t, f, TableStreamFormats{}.kbmBinaryStreamFormat1);
}

// Dictionary files of one entry: the figure does not depend on them.
void writeDictionaries(const QString& dir)
{
    RecordTable d("DICTIONARYS");
    for (const char* n : {"ID", "GROUP_ID", "PARENT_ID", "ALTORDER"}) d.addField(n, FieldType::Integer);
    d.addField("NAME", FieldType::String, 128);
    d.open();
    d.append();
    d.fieldByName("ID").setInteger(1);
    d.fieldByName("GROUP_ID").setInteger(1);
    d.post();
    writeTable(d, dir + "/DICTIONARYS.BIN");

    RecordTable g("Groups");
    g.addField("ID", FieldType::Integer);
    g.addField("USE_ALTORDER", FieldType::FixedChar, 1);
    g.open();
    writeTable(g, dir + "/GROUPS.BIN");
}

// A created data module whose passport holds the horizons and their points, loaded in bulk.
TDataModule2& largePassport()
{
    static std::unique_ptr<TDataModule2> module = [] {
        QTemporaryDir dir;
        writeDictionaries(dir.path());
        auto m = std::make_unique<TDataModule2>();
        m->DataModuleCreate(dir.path());

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
