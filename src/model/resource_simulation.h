#pragma once
// Probabilistic resources of the productive horizons by simulation: each counting parameter is
// drawn from its range trial by trial, and the same chains as the deterministic resource fields
// are computed for every trial. Runs on copies of the values (HorizonSimulationInput), never on the
// live tables, so it may run on any thread; the same inputs, seed and options give bit-identical
// results with any number of threads.
#include "model/resource_sampling.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace talvena {

// The counting parameters the chains draw.
enum class SimParameter {
    OilArea, OilThickness, OilPorosity, OilSaturation, OilDensity, OilConversion, OilRecovery, OilGasFactor,
    GasArea, GasThickness, GasPorosity, GasSaturation, GasInitialPressure, GasFinalPressure,
    GasCompressibility, GasTemperature, GasDryContent,
    CondensateGas, CondensateContent, CondensateRecovery,
};
constexpr int kSimParameterCount = 20;

struct SimParameterDecl {
    SimParameter parameter;
    const char* minField;        // a range's minimum, or the one field of a single value
    const char* maxField;        // nullptr for a single value
    const char* mostLikelyField; // the deterministic page's field of the same parameter, or nullptr
    bool fraction;               // a share: never above 1
    const char* name;            // UTF-8, short, for charts
    const char* unit;            // UTF-8
};
std::span<const SimParameterDecl> SimParameterDecls();
const SimParameterDecl& SimParameterDeclOf(SimParameter p);

// The results computed per horizon, in chain order.
enum class SimResult { OilBalance, OilRecoverable, DissolvedGas, GasInitial, GasBalance, CondensateBalance, CondensateRecoverable };
constexpr int kSimResultCount = 7;
// The totals the Geology page states.
enum class SimTotal { Oil, DissolvedGas, Gas, Condensate };
constexpr int kSimTotalCount = 4;

struct SimResultDecl {
    SimResult result;
    const char* key;   // JSON name, "oilBalance"
    const char* title; // UTF-8, "Балансовые ресурсы нефти"
    const char* unit;  // UTF-8, "млн.т"
};
std::span<const SimResultDecl> SimResultDecls();
struct SimTotalDecl {
    SimTotal total;
    const char* key;      // "oil"
    const char* title;    // UTF-8
    const char* unit;     // UTF-8
    SimResult result;     // the horizon result it adds up
    unsigned resource;    // HydrocarbonResource: the kinds of hydrocarbon (UV_ID) that take part
};
std::span<const SimTotalDecl> SimTotalDecls();

// One parameter as stored: a missing end is empty. A single-value parameter has only `min`.
struct ParameterValues {
    std::optional<double> min, max, mostLikely;
};

// A copy of what the simulation reads from one productive horizon.
struct HorizonSimulationInput {
    std::optional<int32_t> id;
    QByteArray name; // STRATIGRSVIT, CP1251
    std::optional<int32_t> uvId;
    std::array<ParameterValues, kSimParameterCount> parameters;
    ParameterValues& operator[](SimParameter p) { return parameters[size_t(p)]; }
    const ParameterValues& operator[](SimParameter p) const { return parameters[size_t(p)]; }
};

struct SimulationOptions {
    static constexpr uint64_t kMaxTrials = 2'000'000;
    uint64_t trials = 100'000;
    uint64_t seed = 1;
    ResourceDistribution distribution = ResourceDistribution::Pert;
    SamplingMethod method = SamplingMethod::LatinHypercube;
    int threads = 0;        // 0: as many as the machine has
    int histogramBins = 0;  // bins between the least and greatest trial kept for charts; 0: none
};

// P90 is the value reached or exceeded with probability 0.9 (the low case), P10 the high case.
struct ResultStatistics {
    double mean = 0, sd = 0, p90 = 0, p50 = 0, p10 = 0, min = 0, max = 0;
    double probabilityOfMean = 0; // share of trials at or above the mean
    std::vector<uint32_t> histogram; // SimulationOptions::histogramBins equal bins over [min, max]
};

struct HorizonSimulation {
    int input = 0; // index into the inputs
    std::array<std::optional<ResultStatistics>, kSimResultCount> results;
    QStringList messages; // what could not be computed and why, in Russian
    const std::optional<ResultStatistics>& operator[](SimResult r) const { return results[size_t(r)]; }
};

struct SimulationRun {
    SimulationOptions options;
    std::vector<HorizonSimulationInput> inputs;
    std::vector<HorizonSimulation> horizons;
    std::array<std::optional<ResultStatistics>, kSimTotalCount> totals;
    bool cancelled = false;
};

// Shared with the thread that runs a simulation: it may cancel, and it reads the progress.
struct SimulationControl {
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
};

// Throws Error for options out of range (trials from 1 to kMaxTrials). A cancelled run returns
// with `cancelled` set and its results incomplete.
SimulationRun RunResourceSimulation(std::vector<HorizonSimulationInput> inputs, const SimulationOptions& options,
                                    SimulationControl* control = nullptr);

// The distribution a parameter of a horizon is drawn from; nullopt when it has no value at all.
std::optional<ParameterDistribution> DistributionOf(const HorizonSimulationInput& input, SimParameter p,
                                                    ResourceDistribution kind);

// The swing of a result's P50-case value when one parameter is at its P90 and then at its P10
// and every other at its P50, largest swing first; parameters with a fixed value are left out.
struct TornadoBar {
    SimParameter parameter;
    double atP90 = 0, atP10 = 0;
};
struct Tornado {
    double base = 0; // every parameter at its P50
    std::vector<TornadoBar> bars;
};
std::optional<Tornado> ComputeTornado(const HorizonSimulationInput& input, SimResult result,
                                      ResourceDistribution kind);

// The exceedance curve of a kept histogram: (x, probability of at least x) at the bin edges.
std::vector<std::pair<double, double>> ExceedanceCurve(const ResultStatistics& s);

// A simulated value as the dialog, the Geology page and the printed passport show it.
QString SimulationNumberText(double v);

} // namespace talvena
