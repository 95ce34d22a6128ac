// The resource simulation beside the same sampling in NumPy (resource_simulation_numpy.py, run in
// the same benchmark run): horizons of every kind with all chains, PERT ranges, Latin hypercube.
// The NumPy rows report the script's own timing of the simulation, without Python's start-up.
#include "model/resource_simulation.h"

#include <benchmark/benchmark.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

using namespace talvena;

namespace {

using P = SimParameter;

// The ranges (min, max, most likely) of one horizon with every resource.
constexpr struct {
    P parameter;
    double min, max, mostLikely;
} kBenchRanges[] = {
    {P::OilArea, 8, 14, 11},
    {P::OilThickness, 4, 9, 6},
    {P::OilPorosity, 0.12, 0.22, 0.17},
    {P::OilSaturation, 0.55, 0.8, 0.7},
    {P::OilDensity, 0.82, 0.9, 0.86},
    {P::OilConversion, 0.7, 0.9, 0.8},
    {P::OilRecovery, 0.2, 0.4, 0.3},
    {P::GasArea, 10, 16, 12},
    {P::GasThickness, 3, 8, 5},
    {P::GasPorosity, 0.1, 0.2, 0.15},
    {P::GasSaturation, 0.6, 0.8, 0.7},
    {P::GasInitialPressure, 200, 260, 240},
    {P::GasCompressibility, 0.85, 0.95, 0.9},
    {P::GasTemperature, 0.9, 1.0, 0.95},
    {P::GasDryContent, 0.85, 0.95, 0.9},
    {P::CondensateContent, 100, 200, 150},
    {P::CondensateRecovery, 0.5, 0.7, 0.6},
};

HorizonSimulationInput benchHorizon(int32_t id)
{
    HorizonSimulationInput in;
    in.id = id;
    in.uvId = 886;
    for (const auto& r : kBenchRanges) in[r.parameter] = {r.min, r.max, r.mostLikely};
    in[P::OilGasFactor].min = 60;
    in[P::GasFinalPressure].min = 10;
    return in;
}

void BM_Simulation(benchmark::State& state)
{
    std::vector<HorizonSimulationInput> inputs;
    for (int i = 0; i < state.range(0); ++i) inputs.push_back(benchHorizon(1000 + i));
    SimulationOptions o;
    o.trials = uint64_t(state.range(1));
    double oil = 0;
    for (auto _ : state) {
        const SimulationRun run = RunResourceSimulation(inputs, o);
        oil = run.totals[size_t(SimTotal::Oil)] ? run.totals[size_t(SimTotal::Oil)]->mean : -1;
        if (run.horizons.size() != inputs.size()) oil = -2;
        benchmark::DoNotOptimize(oil);
    }
    state.SetLabel("oil total mean " + std::to_string(oil));
}
BENCHMARK(BM_Simulation)->ArgNames({"horizons", "trials"})->Args({1, 1'000'000})->Args({1000, 10'000})
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_NumPy(benchmark::State& state)
{
    const QString script = QStringLiteral(TALVENA_BENCH_DIR "/resource_simulation_numpy.py");
    double oil = 0;
    for (auto _ : state) {
        QProcess p;
        // The system's Python, where Debian's python3-numpy is installed.
        p.start("/usr/bin/python3", {script, QString::number(state.range(0)), QString::number(state.range(1))});
        if (!p.waitForFinished(600'000) || p.exitCode() != 0) {
            state.SkipWithError(("NumPy reference failed: " + p.readAllStandardError().toStdString()).c_str());
            return;
        }
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(' ');
        state.SetIterationTime(out.value(0).toDouble());
        oil = out.value(1).toDouble();
    }
    state.SetLabel("oil total mean " + std::to_string(oil));
}
BENCHMARK(BM_NumPy)->ArgNames({"horizons", "trials"})->Args({1, 1'000'000})->Args({1000, 10'000})
    ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
