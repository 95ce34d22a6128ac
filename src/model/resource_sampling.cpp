#include "model/resource_sampling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace talvena {
namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

uint64_t mix64(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// --- PERT quantile tables ---------------------------------------------------------------------
// A PERT distribution on [0, 1] is Beta(1 + 4r, 1 + 4(1 - r)) with r the relative position of the
// mode, a one-parameter family. Its quantile function is tabulated once per row of r (on first
// use) and a parameter's own table is interpolated between the two rows around its r.
constexpr int kPertRows = 129;     // r = row / 128
constexpr int kPertNodes = 2049;   // p = node / 2048
constexpr int kPertCells = kPertNodes - 1;
constexpr int kCdfCells = 16384;   // integration grid of the density

struct PertRow {
    std::once_flag once;
    std::array<double, kPertNodes> q{};
};
PertRow g_pertRows[kPertRows];

void buildPertRow(int row, std::array<double, kPertNodes>& q)
{
    const double r = double(row) / (kPertRows - 1);
    const double a = 4 * r, b = 4 * (1 - r); // exponents of x and 1 - x in the density
    std::vector<double> cdf(kCdfCells + 1);
    auto density = [&](double x) { return std::pow(x, a) * std::pow(1 - x, b); };
    double prev = density(0), sum = 0;
    cdf[0] = 0;
    for (int i = 1; i <= kCdfCells; ++i) {
        const double x = double(i) / kCdfCells;
        const double mid = density(x - 0.5 / kCdfCells), cur = density(x);
        sum += (prev + 4 * mid + cur) / 6; // Simpson on the cell
        cdf[i] = sum;
        prev = cur;
    }
    for (double& c : cdf) c /= sum;
    q[0] = 0;
    q[kPertNodes - 1] = 1;
    int cell = 0;
    for (int j = 1; j < kPertNodes - 1; ++j) {
        const double p = double(j) / kPertCells;
        while (cell < kCdfCells - 1 && cdf[cell + 1] < p) ++cell;
        const double span = cdf[cell + 1] - cdf[cell];
        const double t = span > 0 ? (p - cdf[cell]) / span : 0;
        q[j] = (cell + std::clamp(t, 0.0, 1.0)) / kCdfCells;
    }
}

const std::array<double, kPertNodes>& pertRow(int row)
{
    PertRow& r = g_pertRows[row];
    std::call_once(r.once, [&] { buildPertRow(row, r.q); });
    return r.q;
}

std::shared_ptr<const std::vector<double>> pertTable(double r)
{
    const double pos = r * (kPertRows - 1);
    const int lo = std::clamp(int(pos), 0, kPertRows - 2);
    const double t = pos - lo;
    const auto& q0 = pertRow(lo);
    const auto& q1 = t > 0 ? pertRow(lo + 1) : q0;
    auto table = std::make_shared<std::vector<double>>(kPertNodes);
    for (int j = 0; j < kPertNodes; ++j) (*table)[j] = q0[j] + t * (q1[j] - q0[j]);
    return table;
}

double modeOf(const ParameterRange& range)
{
    const double m = range.mostLikely;
    return (m >= range.min && m <= range.max) ? m : (range.min + range.max) / 2;
}

constexpr double kZ90 = 1.2815515655446004; // the normal quantile of 0.9

} // namespace


uint64_t StreamKey(uint64_t parent, uint64_t label) { return mix64(parent + mix64(label ^ 0x5851F42D4C957F2Dull)); }

StratumPermutation::StratumPermutation(uint64_t key, uint64_t n) : n_(n)
{
    unsigned bits = 1;
    while (bits < 63 && (uint64_t(1) << bits) < n) ++bits;
    mask_ = (uint64_t(1) << bits) - 1;
    shift_ = std::max(1u, bits / 2);
    for (int r = 0; r < kRounds; ++r) {
        multipliers_[r] = StreamKey(key, uint64_t(2 * r)) | 1; // odd: a bijection modulo 2^bits
        addends_[r] = StreamKey(key, uint64_t(2 * r + 1));
    }
}

// Acklam's rational approximation, relative error below 1.2e-9.
double NormalQuantile(double p)
{
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    constexpr double low = 0.02425, high = 1 - low;
    if (p < low) {
        const double q = std::sqrt(-2 * std::log(p));
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    if (p > high) {
        const double q = std::sqrt(-2 * std::log1p(-p));
        return -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    const double q = p - 0.5, r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

double NormalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

ParameterDistribution ParameterDistribution::Fixed(double value)
{
    ParameterDistribution d;
    d.a_ = d.b_ = d.c_ = value;
    return d;
}

ParameterDistribution::ParameterDistribution(ResourceDistribution kind, const ParameterRange& range)
    : kind_(kind), fixed_(!(range.max > range.min)), a_(range.min), b_(range.max), c_(modeOf(range))
{
    if (fixed_) {
        b_ = c_ = a_;
        return;
    }
    switch (kind) {
    case ResourceDistribution::Pert: {
        const double r = (c_ - a_) / (b_ - a_);
        alpha_ = 1 + 4 * r;
        beta_ = 1 + 4 * (1 - r);
        pertTable_ = pertTable(r);
        // Near its ends the density behaves as a power, so the first and last cells follow it.
        pertLowTail_ = (*pertTable_)[1];
        pertHighTail_ = 1 - (*pertTable_)[kPertNodes - 2];
        break;
    }
    case ResourceDistribution::Lognormal:
        mu_ = (std::log(a_) + std::log(b_)) / 2;
        sigma_ = (std::log(b_) - std::log(a_)) / (2 * kZ90);
        cut_ = range.fraction ? NormalCdf(-mu_ / sigma_) : 1.0;
        break;
    case ResourceDistribution::Triangular:
    case ResourceDistribution::Uniform:
        break;
    }
}

double ParameterDistribution::quantile(double p) const
{
    if (fixed_) return a_;
    const double w = b_ - a_;
    switch (kind_) {
    case ResourceDistribution::Uniform:
        return a_ + p * w;
    case ResourceDistribution::Triangular: {
        const double fc = (c_ - a_) / w;
        return p < fc ? a_ + std::sqrt(p * w * (c_ - a_)) : b_ - std::sqrt((1 - p) * w * (b_ - c_));
    }
    case ResourceDistribution::Lognormal:
        return std::exp(mu_ + sigma_ * NormalQuantile(p * cut_));
    case ResourceDistribution::Pert: {
        const double t = p * kPertCells;
        const int j = int(t);
        double x;
        if (j < 1)
            x = pertLowTail_ * std::pow(t, 1 / alpha_);
        else if (j >= kPertCells - 1)
            x = 1 - pertHighTail_ * std::pow(kPertCells - t, 1 / beta_);
        else {
            const double* q = pertTable_->data();
            x = q[j] + (t - j) * (q[j + 1] - q[j]);
        }
        return a_ + w * x;
    }
    }
    return a_;
}

void ParameterDistribution::quantiles(double* p, size_t n) const
{
    // The kind is chosen once for the whole run of values, so each loop is branch-light.
    if (fixed_) {
        std::fill(p, p + n, a_);
        return;
    }
    const double w = b_ - a_;
    switch (kind_) {
    case ResourceDistribution::Uniform:
        for (size_t i = 0; i < n; ++i) p[i] = a_ + p[i] * w;
        return;
    case ResourceDistribution::Pert: {
        const double* q = pertTable_->data();
        for (size_t i = 0; i < n; ++i) {
            const double t = p[i] * kPertCells;
            const int j = int(t);
            if (j >= 1 && j < kPertCells - 1) [[likely]]
                p[i] = a_ + w * (q[j] + (t - j) * (q[j + 1] - q[j]));
            else
                p[i] = quantile(p[i]);
        }
        return;
    }
    case ResourceDistribution::Triangular:
    case ResourceDistribution::Lognormal:
        for (size_t i = 0; i < n; ++i) p[i] = quantile(p[i]);
        return;
    }
}

void ShuffledStrata(uint64_t key, uint32_t n, uint32_t* out)
{
    for (uint32_t i = 0; i < n; ++i) out[i] = i;
    // Each 64-bit draw gives the indexes of two steps (Lemire's multiply-shift on 32 bits; its bias
    // of at most i / 2^32 is immaterial here).
    uint64_t bits = 0;
    for (uint32_t i = n; i > 1; --i) {
        if ((i & 1) == (n & 1)) bits = CounterRandomBits(key, i);
        else bits >>= 32;
        const uint32_t j = uint32_t((uint64_t(uint32_t(bits)) * i) >> 32);
        std::swap(out[i - 1], out[j]);
    }
}

void DrawParameter(const ParameterDistribution& d, SamplingMethod method, uint64_t key, uint64_t trials,
                   uint64_t first, uint64_t count, double* out, const uint32_t* strata)
{
    if (d.fixed()) {
        std::fill(out, out + count, d.quantile(0.5));
        return;
    }
    if (method == SamplingMethod::MonteCarlo) {
        for (uint64_t i = 0; i < count; ++i) out[i] = UnitFromBits(CounterRandomBits(key, first + i));
    } else if (strata) {
        const uint64_t jitterKey = StreamKey(key, 2);
        const double width = 1.0 / double(trials);
        constexpr double below1 = 1 - 0x1.0p-53;
        // Two trials share one 64-bit draw: 32 bits place a value inside its stratum finely enough.
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t t = first + i;
            const uint64_t bits = CounterRandomBits(jitterKey, t >> 1);
            const double jitter = (double(uint32_t(t & 1 ? bits >> 32 : bits)) + 0.5) * 0x1.0p-32;
            out[i] = std::min((double(strata[t]) + jitter) * width, below1);
        }
    } else {
        const StratumPermutation perm(StreamKey(key, 1), trials);
        const uint64_t jitterKey = StreamKey(key, 2);
        const double width = 1.0 / double(trials);
        constexpr double below1 = 1 - 0x1.0p-53;
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t t = first + i;
            const double u = (double(perm(t)) + UnitFromBits(CounterRandomBits(jitterKey, t))) * width;
            out[i] = std::min(u, below1);
        }
    }
    d.quantiles(out, count);
}

} // namespace talvena
