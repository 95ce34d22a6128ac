#pragma once
// Drawing the counting parameters of a resource simulation: counter-based random numbers (every
// value is a pure function of a stream key and a trial number, so any split of the trials among
// threads draws the same numbers), stratum permutations of the Latin hypercube, and the
// distributions a parameter range is read as.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace talvena {

enum class ResourceDistribution { Pert, Triangular, Uniform, Lognormal };
enum class SamplingMethod { LatinHypercube, MonteCarlo };

// A choice as the command line names it and as the dialog lists it (UTF-8), in the dialog's order.
template <typename T> struct SamplingChoice {
    T value;
    const char* name;
    const char* caption;
};
inline constexpr SamplingChoice<ResourceDistribution> kDistributionChoices[] = {
    {ResourceDistribution::Pert, "pert", "PERT (бета-распределение)"},
    {ResourceDistribution::Triangular, "triangular", "Треугольное"},
    {ResourceDistribution::Uniform, "uniform", "Равномерное"},
    {ResourceDistribution::Lognormal, "lognormal", "Логнормальное (минимум = P90, максимум = P10)"},
};
inline constexpr SamplingChoice<SamplingMethod> kSamplingMethodChoices[] = {
    {SamplingMethod::LatinHypercube, "lhs", "Латинский гиперкуб"},
    {SamplingMethod::MonteCarlo, "mc", "Монте-Карло"},
};

// 64 well-mixed bits for a (key, counter) pair (the SplitMix64 output function).
inline uint64_t CounterRandomBits(uint64_t key, uint64_t counter)
{
    uint64_t z = key + (counter + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
// A key for a sub-stream: mixes the parent key with a label.
uint64_t StreamKey(uint64_t parent, uint64_t label);
// A number strictly inside (0, 1) from 64 random bits.
inline double UnitFromBits(uint64_t bits) { return (static_cast<double>(bits >> 11) + 0.5) * 0x1.0p-53; }

// A keyed pseudo-random permutation of 0 … n-1, computed element by element: rounds of a keyed
// odd multiplication and an xor-shift, each a bijection of the k-bit numbers (2^k the least power
// of two not below n), walked until the value lands inside the range.
class StratumPermutation {
public:
    StratumPermutation(uint64_t key, uint64_t n);
    uint64_t operator()(uint64_t i) const
    {
        uint64_t x = i;
        do {
            for (int r = 0; r < kRounds; ++r) {
                x = (x * multipliers_[r] + addends_[r]) & mask_;
                x ^= x >> shift_;
            }
        } while (x >= n_); // ends because i < n: the walk follows i's cycle back into the range
        return x;
    }

private:
    static constexpr int kRounds = 3;
    uint64_t n_;
    uint64_t mask_;
    unsigned shift_;
    uint64_t multipliers_[kRounds];
    uint64_t addends_[kRounds];
};

// The lower-tail quantile of the standard normal distribution.
double NormalQuantile(double p);
double NormalCdf(double x);

// One counting parameter as a distribution over its range. A range whose ends are equal is a fixed
// value. `fraction` cuts the lognormal tail at 1 (the lognormal is positive by itself).
struct ParameterRange {
    double min = 0;
    double max = 0;
    double mostLikely = 0; // used by PERT and the triangle; taken as the middle when outside the range
    bool fraction = false;
};

class ParameterDistribution {
public:
    ParameterDistribution() = default;
    // The range must be finite with min <= max; a lognormal needs min > 0 (checked by the caller).
    ParameterDistribution(ResourceDistribution kind, const ParameterRange& range);
    static ParameterDistribution Fixed(double value);

    bool fixed() const { return fixed_; }
    // The value with probability p of not being exceeded, 0 < p < 1.
    double quantile(double p) const;
    // quantile() of each of n probabilities, in place.
    void quantiles(double* p, size_t n) const;

private:
    ResourceDistribution kind_ = ResourceDistribution::Uniform;
    bool fixed_ = true;
    double a_ = 0, b_ = 0, c_ = 0;      // range and mode
    double mu_ = 0, sigma_ = 0, cut_ = 1; // lognormal: log mean, log deviation, CDF at the cut
    std::shared_ptr<const std::vector<double>> pertTable_; // PERT quantiles of this mode, on [0, 1]
    double pertLowTail_ = 0, pertHighTail_ = 0;              // tail factors below the first node
    double alpha_ = 1, beta_ = 1;
};

// A permutation of the n strata drawn by the Fisher-Yates shuffle from the stream `key`: cheaper
// than StratumPermutation when all of a parameter's trials are drawn by one task.
void ShuffledStrata(uint64_t key, uint32_t n, uint32_t* out);

// Draws N trials of one parameter into `out` for trials first … first + count - 1: the Latin
// hypercube puts trial i in stratum perm(i) of N equal-probability strata (perm is `strata` when
// given, otherwise StratumPermutation), plain Monte Carlo draws independently.
void DrawParameter(const ParameterDistribution& d, SamplingMethod method, uint64_t key, uint64_t trials,
                   uint64_t first, uint64_t count, double* out, const uint32_t* strata = nullptr);

} // namespace talvena
