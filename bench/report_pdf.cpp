// The printed passport written as PDF: the example passport (aim: within 1 s) and the "million"
// passport, 1,000 horizons with 1,000,000 contour points (aim: within 5 s). The document's size
// is reported beside the time: thinning keeps the map to what paper shows.
#include "large_passports.h"
#include "report/passport_report.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace talvena;

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "bench_report";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
}

void writeRepeatedly(benchmark::State& state, TDataModule2& dm)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("passport.pdf");
    for (auto _ : state) WritePassportPdf(dm, pdf);
    state.counters["pdf_bytes"] = double(QFileInfo(pdf).size());
}

void BM_ReportExamplePassport(benchmark::State& state)
{
    ensureApplication();
    TDataModule2 dm;
    dm.DataModuleCreate(bench::binFolder());
    dm.LoadPassport(bench::binFolder() + "/../examples/example.psp");
    writeRepeatedly(state, dm);
}
BENCHMARK(BM_ReportExamplePassport)->Unit(benchmark::kMillisecond);

void BM_ReportMillionContourPoints(benchmark::State& state)
{
    ensureApplication();
    TDataModule2 dm;
    dm.DataModuleCreate(bench::binFolder());
    bench::LargePassports::fillMillion(dm);
    writeRepeatedly(state, dm);
}
BENCHMARK(BM_ReportMillionContourPoints)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
