// Resource figures: the Geology totals over 1,000 productive horizons of a real data module, every
// one with its inputs set so each row runs the whole calculation.
#include "model/data_module.h"
#include "model/resources.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>

#include <utility>

using namespace talvena;

namespace {

constexpr int kHorizons = 1'000;
const int kKinds[] = {397, 398, 399, 401, 886};

// Values that every rule of the table accepts.
const std::pair<const char*, double> kInputs[] = {
    {"SQUARENEFTENOSN", 10},       {"EFECTOILWIDTH", 5},        {"OILKOEFOTKRPORIST", 0.2},
    {"KOEFOILNASUSH", 0.7},        {"OILPLOTN", 0.85},          {"OILPERERASCHKOEF", 0.8},
    {"KOEFOILIZVL", 0.3},          {"OILGAZFACTOR", 60},        {"SQUAREGAZONOSN", 20},
    {"EFECTGAZWIDTH", 10},         {"GAZKOEFOTKRPORIST", 0.15}, {"KOEFGAZNASUSH", 0.8},
    {"GAZSTARTPLASTPREASURE", 250}, {"GAZENDPLASTPREASURE", 10}, {"GAZKOEFSZIM", 0.9},
    {"GAZTEMPERPOPR", 0.95},       {"GAZSODSUH", 0.9},          {"GAZCONDAVGSTARTCONSIST", 120},
    {"GAZCONDKOEFIZVLECH", 0.6},   {"OILPERSPECTRESOURCEP", 3}, {"OILPERSPECTRESOURCES", 1},
    {"PERSPRESGAZRASTVP", 150},    {"PERSPRESGAZRASTVS", 45},   {"GAZBALANCERESOURCEPNEW", 900},
    {"GAZBALANCERESOURCESNEW", 200}, {"IZVLEKRESGAZCONDPNEW", 4}, {"IZVLEKRESGAZCONDSNEW", 1},
};

QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

void BM_GeologyTotals(benchmark::State& state)
{
    TDataModule2 m;
    m.DataModuleCreate(binFolder());
    RecordTable& product = m.POSIB_PRODUCT_HOR;
    for (int i = 0; i < kHorizons; ++i) {
        product.append();
        product.fieldByName("UV_ID").setInteger(kKinds[i % 5]);
        product.fieldByName("STRATIGRSVIT").setString("J" + QByteArray::number(i));
        for (const auto& [name, value] : kInputs) product.fieldByName(name).setFloat(value);
        product.post();
    }
    for (int i = 0; i < 10; ++i) {
        m.REFLECT_HORIZONTS.append();
        m.REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("R" + QByteArray::number(i));
        m.REFLECT_HORIZONTS.post();
    }
    product.setFilterText("UV_ID=401 OR UV_ID=886");
    for (auto _ : state) {
        product.setFiltered(true); // as the resource pages leave it
        benchmark::DoNotOptimize(ComputeGeologyTotals(product, m.REFLECT_HORIZONTS));
    }
}
BENCHMARK(BM_GeologyTotals)->Unit(benchmark::kMillisecond);

} // namespace
