// Resource figures: the Geology totals over 1,000 productive horizons, every one with all inputs
// set so each row runs the whole calculation.
#include "model/resources.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace talvena;

namespace {

constexpr int kHorizons = 1'000;

const char* const kInputs[] = {
    "SQUARENEFTENOSN", "EFECTOILWIDTH", "OILKOEFOTKRPORIST", "KOEFOILNASUSH", "OILPLOTN",
    "OILPERERASCHKOEF", "KOEFOILIZVL", "OILGAZFACTOR", "SQUAREGAZONOSN", "EFECTGAZWIDTH",
    "GAZKOEFOTKRPORIST", "KOEFGAZNASUSH", "GAZSTARTPLASTPREASURE", "GAZENDPLASTPREASURE",
    "GAZKOEFSZIM", "GAZTEMPERPOPR", "GAZSODSUH", "GAZCONDAVGSTARTCONSIST", "GAZCONDKOEFIZVLECH",
    "OILPERSPECTRESOURCEP", "OILPERSPECTRESOURCES", "PERSPRESGAZRASTVP", "PERSPRESGAZRASTVS",
    "GAZBALANCERESOURCEPNEW", "GAZBALANCERESOURCESNEW", "IZVLEKRESGAZCONDPNEW", "IZVLEKRESGAZCONDSNEW",
};
const char* const kCalculated[] = {
    "CALC_BAL_RES", "CALC_PERSP_RES", "CALC_PERSP_RES_RGAZ", "CALC_STDDAVL",
    "CALC_BALGAZ_RES", "CALC_BALGAZCOND_RES", "CALC_PERSPGAZCOND_RES", "CALC_NEWGAZBAL",
};
const int kKinds[] = {397, 398, 399, 401, 886};

std::unique_ptr<RecordTable> horizons()
{
    auto t = std::make_unique<RecordTable>("POSIB_PRODUCT_HOR");
    t->addField("ID", FieldType::Integer, 0, true);
    t->addField("UV_ID", FieldType::Integer);
    t->addField("STRATIGRSVIT", FieldType::String, 128);
    for (const char* n : kInputs) t->addField(n, FieldType::Float);
    // the real table carries some sixty more parameters the totals never read
    for (int i = 0; i < 60; ++i) t->addField("OTHER" + QByteArray::number(i), FieldType::Float);
    for (const char* n : kCalculated) {
        FieldDef d;
        d.name = n;
        d.type = FieldType::Float;
        d.kind = FieldKind::Calculated;
        t->addField(d);
    }
    t->onCalcFields = [](RecordTable& tb) { CalcProductHorizonResources(tb); };
    t->open();
    for (int i = 0; i < kHorizons; ++i) {
        t->append();
        t->fieldByName("ID").setInteger(i + 1);
        t->fieldByName("UV_ID").setInteger(kKinds[i % 5]);
        t->fieldByName("STRATIGRSVIT").setString("J" + QByteArray::number(i));
        for (const char* n : kInputs) t->fieldByName(n).setFloat(1.0 + (i % 7) * 0.1);
        t->post();
    }
    return t;
}

void BM_GeologyTotals(benchmark::State& state)
{
    auto product = horizons();
    RecordTable reflect("REFLECT_HORIZONTS");
    reflect.addField("INDEXOG", FieldType::String, 128);
    reflect.open();
    for (int i = 0; i < 10; ++i) {
        reflect.append();
        reflect.fieldByName("INDEXOG").setString("R" + QByteArray::number(i));
        reflect.post();
    }
    product->setFilterText("UV_ID=401 OR UV_ID=886");
    for (auto _ : state) {
        product->setFiltered(true); // as the resource pages leave it
        benchmark::DoNotOptimize(ComputeGeologyTotals(*product, reflect));
    }
}
BENCHMARK(BM_GeologyTotals)->Unit(benchmark::kMillisecond);

} // namespace
