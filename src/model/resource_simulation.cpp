#include "model/resource_simulation.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "model/field_schema.h"
#include "model/resources.h"
#include "model/table_schemas.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace talvena {
namespace {

using P = SimParameter;

constexpr SimParameterDecl kParameters[] = {
    {P::OilArea, "OILSQUAREMIN", "OILSQUAREMAX", "SQUARENEFTENOSN", false, "Площадь нефтеносности", "км²"},
    {P::OilThickness, "OILWIDTHMIN", "OILWIDTHMAX", "EFECTOILWIDTH", false, "Эффективная нефтенасыщенная толщина", "м"},
    {P::OilPorosity, "OILKOEFOTKRPORMIN", "OILKOEFOTKRPORMAX", "OILKOEFOTKRPORIST", true,
     "Коэффициент открытой пористости", "доли ед."},
    {P::OilSaturation, "OILNASUSHMIN", "OILNASUSHMAX", "KOEFOILNASUSH", true, "Коэффициент нефтенасыщенности",
     "доли ед."},
    {P::OilDensity, "OILPLOTNSURFMIN", "OILPLOTNSURFMAX", "OILPLOTN", false, "Плотность нефти на поверхности", "т/м³"},
    {P::OilConversion, "OILKOEFPERERASCHMIN", "OILKOEFPERERASCHMAX", "OILPERERASCHKOEF", true,
     "Перерасчетный коэффициент", "доли ед."},
    {P::OilRecovery, "OILKOEFIZVLECHMIN", "OILKOEFIZVLECHMAX", "KOEFOILIZVL", true, "Коэффициент извлечения нефти",
     "доли ед."},
    {P::OilGasFactor, "OILGAZFACTOR2", nullptr, nullptr, false, "Газовый фактор", "м³/т"},
    {P::GasArea, "GAZSQUAREMIN", "GAZSQUAREMAX", "SQUAREGAZONOSN", false, "Площадь газоносности", "км²"},
    {P::GasThickness, "GAZWIDTHMIN", "GAZWIDTHMAX", "EFECTGAZWIDTH", false, "Эффективная газонасыщенная толщина", "м"},
    {P::GasPorosity, "GAZKOEFOTKRPORMIN", "GAZKOEFOTKRPORMAX", "GAZKOEFOTKRPORIST", true,
     "Коэффициент открытой пористости", "доли ед."},
    {P::GasSaturation, "GAZNASUSHMIN", "GAZNASUSHMAX", "KOEFGAZNASUSH", true, "Коэффициент газонасыщенности",
     "доли ед."},
    {P::GasInitialPressure, "GAZSTARTPREASUREMIN", "GAZSTARTPREASUREMAX", "GAZSTARTPLASTPREASURE", false,
     "Начальное пластовое давление", "атм"},
    {P::GasFinalPressure, "GAZSTARTPREASURE", nullptr, nullptr, false, "Конечное пластовое давление", "атм"},
    {P::GasCompressibility, "GAZKOEFSZIMMIN", "GAZKOEFSZIMMAX", "GAZKOEFSZIM", false, "Коэффициент сжимаемости", ""},
    {P::GasTemperature, "GAZTEMPERPOPRMIN", "GAZTEMPERPOPRMAX", "GAZTEMPERPOPR", false, "Поправка на температуру", ""},
    {P::GasDryContent, "SODSIHGORMIN", "SODSIHGORMAX", "GAZSODSUH", true, "Содержание сухого горючего газа",
     "доли ед."},
    {P::CondensateGas, "GAZCONBALANCERESGAZMIN", "GAZCONBALANCERESGAZMAX", nullptr, false, "Начальные ресурсы газа",
     "млн.м³"},
    {P::CondensateContent, "GAZCONNACHSODKONDMIN", "GAZCONNACHSODKONDMAX", "GAZCONDAVGSTARTCONSIST", false,
     "Потенциальное содержание конденсата", "г/м³"},
    {P::CondensateRecovery, "GAZCONKOEFIZVLECHMIN", "GAZCONKOEFIZVLECHMAX", "GAZCONDKOEFIZVLECH", true,
     "Коэффициент извлечения конденсата", "доли ед."},
};
static_assert(std::size(kParameters) == kSimParameterCount);

using R = SimResult;
constexpr SimResultDecl kResults[] = {
    {R::OilBalance, "oilBalance", "Балансовые ресурсы нефти", "млн.т"},
    {R::OilRecoverable, "oilRecoverable", "Извлекаемые ресурсы нефти", "млн.т"},
    {R::DissolvedGas, "dissolvedGas", "Извлекаемые ресурсы растворенного газа", "млн.м³"},
    {R::GasInitial, "gasInitial", "Начальные ресурсы газа", "млн.м³"},
    {R::GasBalance, "gasBalance", "Балансовые ресурсы газа", "млн.м³"},
    {R::CondensateBalance, "condensateBalance", "Балансовые ресурсы газоконденсата", "млн.т"},
    {R::CondensateRecoverable, "condensateRecoverable", "Извлекаемые ресурсы газоконденсата", "млн.т"},
};
static_assert(std::size(kResults) == kSimResultCount);

// Each total takes in the kinds of hydrocarbon with its resource, as the Geology page's totals do.
constexpr SimTotalDecl kTotals[] = {
    {SimTotal::Oil, "oil", "Извлекаемые ресурсы нефти", "млн.т", R::OilRecoverable, WithOil},
    {SimTotal::DissolvedGas, "dissolvedGas", "Ресурсы растворенного газа", "млн.м³", R::DissolvedGas, WithOil},
    {SimTotal::Gas, "gas", "Балансовые ресурсы газа", "млн.м³", R::GasBalance, WithGas},
    {SimTotal::Condensate, "condensate", "Извлекаемые ресурсы газоконденсата", "млн.т", R::CondensateRecoverable,
     WithCondensate},
};

// The parameters each stage of a chain adds, and what the stage computes.
struct Stage {
    SimResult result;
    std::vector<P> needs;
    const char* chain; // UTF-8 genitive for messages
};
const std::vector<Stage>& oilStages()
{
    static const std::vector<Stage> s = {
        {R::OilBalance,
         {P::OilArea, P::OilThickness, P::OilPorosity, P::OilSaturation, P::OilDensity, P::OilConversion},
         "балансовые ресурсы нефти"},
        {R::OilRecoverable, {P::OilRecovery}, "извлекаемые ресурсы нефти"},
        {R::DissolvedGas, {P::OilGasFactor}, "ресурсы растворенного газа"},
    };
    return s;
}
const std::vector<Stage>& gasStages()
{
    static const std::vector<Stage> s = {
        {R::GasInitial,
         {P::GasArea, P::GasThickness, P::GasPorosity, P::GasSaturation, P::GasInitialPressure, P::GasFinalPressure,
          P::GasCompressibility, P::GasTemperature},
         "начальные ресурсы газа"},
        {R::GasBalance, {P::GasDryContent}, "балансовые ресурсы газа"},
    };
    return s;
}

bool hasValue(const ParameterValues& v) { return v.min || v.max; }

bool kindIn(const std::optional<int32_t>& uvId, unsigned resource)
{
    return uvId && (ResourcesOfHydrocarbon(*uvId) & resource) != 0;
}

QString captionOf(const char* field)
{
    const FieldDecl* d = FindFieldDecl(ProductHorizonsSchema(), field);
    return QString::fromUtf8(d && *d->caption ? d->caption : field).trimmed();
}

// What one horizon computes: which results, which parameters are drawn, and where the condensate's
// gas comes from.
struct Plan {
    std::array<bool, kSimResultCount> computes{};
    bool condensateFromGas = false;
    std::array<std::optional<ParameterDistribution>, kSimParameterCount> dist;
    bool any() const { return std::find(computes.begin(), computes.end(), true) != computes.end(); }
};

QString horizonLabel(const HorizonSimulationInput& in)
{
    return QStringLiteral("Горизонт «%1»").arg(cp1251ToUnicode(in.name).trimmed());
}

QString missingMessage(const HorizonSimulationInput& in, const char* chain, const std::vector<P>& missing)
{
    QStringList names;
    for (P p : missing) names << QStringLiteral("«%1»").arg(captionOf(SimParameterDeclOf(p).minField));
    return QStringLiteral("%1: не рассчитаны %2 — не задан%3 %4")
        .arg(horizonLabel(in), QString::fromUtf8(chain), missing.size() > 1 ? QStringLiteral("ы") : QString(),
             names.join(QStringLiteral(", ")));
}

// Walks a chain's stages; each stage computes when everything it needs is there. Returns whether
// the last stage's result was computed.
void planChain(const HorizonSimulationInput& in, const std::vector<Stage>& stages, bool relevant, Plan& plan,
               QStringList& messages, bool startComputed = true)
{
    bool prev = startComputed;
    for (const Stage& s : stages) {
        if (!prev) return;
        std::vector<P> missing;
        for (P p : s.needs)
            if (!plan.dist[size_t(p)]) missing.push_back(p);
        if (!missing.empty()) {
            if (relevant) messages << missingMessage(in, s.chain, missing);
            return;
        }
        plan.computes[size_t(s.result)] = true;
    }
}

bool anySet(const HorizonSimulationInput& in, std::initializer_list<P> ps)
{
    for (P p : ps)
        if (hasValue(in[p])) return true;
    return false;
}

Plan makePlan(const HorizonSimulationInput& in, ResourceDistribution kind, QStringList& messages)
{
    Plan plan;
    for (const SimParameterDecl& d : kParameters) {
        try {
            plan.dist[size_t(d.parameter)] = DistributionOf(in, d.parameter, kind);
        } catch (const Error& e) {
            messages << QStringLiteral("%1: %2").arg(horizonLabel(in), QString::fromUtf8(e.what()));
        }
    }
    const bool oilRelevant = kindIn(in.uvId, WithOil) ||
                             anySet(in, {P::OilArea, P::OilThickness, P::OilPorosity, P::OilSaturation, P::OilDensity,
                                         P::OilConversion, P::OilRecovery});
    const bool gasRelevant = kindIn(in.uvId, WithGas) ||
                             anySet(in, {P::GasArea, P::GasThickness, P::GasPorosity, P::GasSaturation,
                                         P::GasInitialPressure, P::GasCompressibility, P::GasTemperature});
    const bool condensateRelevant = kindIn(in.uvId, WithCondensate) ||
                                    anySet(in, {P::CondensateGas, P::CondensateContent, P::CondensateRecovery});
    planChain(in, oilStages(), oilRelevant, plan, messages);
    planChain(in, gasStages(), gasRelevant || condensateRelevant, plan, messages);

    // The condensate takes its gas from its own range or, when that is empty, from the gas chain.
    const bool ownGas = plan.dist[size_t(P::CondensateGas)].has_value();
    plan.condensateFromGas = !ownGas && plan.computes[size_t(R::GasInitial)];
    if (!ownGas && !plan.condensateFromGas) {
        if (condensateRelevant)
            messages << missingMessage(in, "балансовые ресурсы газоконденсата", {P::CondensateGas});
    } else {
        const std::vector<Stage> condensate = {
            {R::CondensateBalance, {P::CondensateContent}, "балансовые ресурсы газоконденсата"},
            {R::CondensateRecoverable, {P::CondensateRecovery}, "извлекаемые ресурсы газоконденсата"},
        };
        planChain(in, condensate, condensateRelevant, plan, messages);
    }
    return plan;
}

// The chains for n trials. `v` holds each parameter's draws (nullptr for one not drawn); `out` the
// arrays of the results the plan computes.
void computeChains(const Plan& plan, const std::array<const double*, kSimParameterCount>& v, size_t n,
                   const std::array<double*, kSimResultCount>& out)
{
    auto at = [&](P p) { return v[size_t(p)]; };
    auto res = [&](R r) { return plan.computes[size_t(r)] ? out[size_t(r)] : nullptr; };
    if (double* bal = res(R::OilBalance)) {
        const double *f = at(P::OilArea), *h = at(P::OilThickness), *m = at(P::OilPorosity),
                     *k = at(P::OilSaturation), *rho = at(P::OilDensity), *th = at(P::OilConversion);
        for (size_t i = 0; i < n; ++i) bal[i] = f[i] * h[i] * m[i] * k[i] * rho[i] * th[i];
        if (double* rec = res(R::OilRecoverable)) {
            const double* eta = at(P::OilRecovery);
            for (size_t i = 0; i < n; ++i) rec[i] = bal[i] * eta[i];
            if (double* dg = res(R::DissolvedGas)) {
                const double* gf = at(P::OilGasFactor);
                for (size_t i = 0; i < n; ++i) dg[i] = rec[i] * gf[i];
            }
        }
    }
    if (double* init = res(R::GasInitial)) {
        const double *f = at(P::GasArea), *h = at(P::GasThickness), *m = at(P::GasPorosity),
                     *k = at(P::GasSaturation), *p0 = at(P::GasInitialPressure), *pk = at(P::GasFinalPressure),
                     *z = at(P::GasCompressibility), *t = at(P::GasTemperature);
        for (size_t i = 0; i < n; ++i) init[i] = (p0[i] / z[i] - pk[i]) * (f[i] * h[i] * m[i] * k[i] * t[i]);
        if (double* bal = res(R::GasBalance)) {
            const double* d = at(P::GasDryContent);
            for (size_t i = 0; i < n; ++i) bal[i] = init[i] * d[i];
        }
    }
    if (double* cb = res(R::CondensateBalance)) {
        const double* g = plan.condensateFromGas ? out[size_t(R::GasInitial)] : at(P::CondensateGas);
        const double* c = at(P::CondensateContent);
        for (size_t i = 0; i < n; ++i) cb[i] = g[i] * c[i] / 1000000;
        if (double* cr = res(R::CondensateRecoverable)) {
            const double* eta = at(P::CondensateRecovery);
            for (size_t i = 0; i < n; ++i) cr[i] = cb[i] * eta[i];
        }
    }
}

// Runs fn(0 … count-1) on up to `threads` threads; stops handing out work once cancelled.
void parallelFor(size_t count, int threads, SimulationControl* control, const std::function<void(size_t)>& fn)
{
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            if (control && control->cancel.load(std::memory_order_relaxed)) return;
            fn(i);
        }
    };
    const size_t extra = std::min<size_t>(count, size_t(std::max(threads, 1))) - (count ? 1 : 0);
    std::vector<std::jthread> pool;
    pool.reserve(extra);
    for (size_t t = 0; t < extra; ++t) pool.emplace_back(worker);
    worker();
}

// The values at the given ascending ranks of x: buckets by value find the few values around each
// rank, which are then selected exactly.
std::vector<double> valuesAtRanks(const double* x, size_t n, double lo, double hi, const std::vector<size_t>& ranks)
{
    std::vector<double> result(ranks.size(), lo);
    if (!(hi > lo)) return result;
    const size_t buckets = std::clamp<size_t>(n / 8, 16, 4096);
    const double scale = double(buckets) / (hi - lo);
    auto bucketOf = [&](double v) { return std::min(size_t((v - lo) * scale), buckets - 1); };
    std::vector<uint32_t> below(buckets + 1, 0); // below[b]: values in buckets before b
    for (size_t i = 0; i < n; ++i) ++below[bucketOf(x[i]) + 1];
    for (size_t b = 1; b <= buckets; ++b) below[b] += below[b - 1];
    std::vector<int8_t> slotOf(buckets, -1);
    std::vector<std::vector<double>> members;
    std::vector<size_t> bucketOfRank;
    for (size_t r : ranks) {
        const size_t b = size_t(std::upper_bound(below.begin(), below.end(), uint32_t(r)) - below.begin()) - 1;
        bucketOfRank.push_back(b);
        if (slotOf[b] < 0) {
            slotOf[b] = int8_t(members.size());
            members.emplace_back();
            members.back().reserve(below[b + 1] - below[b]);
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (const int slot = slotOf[bucketOf(x[i])]; slot >= 0) members[size_t(slot)].push_back(x[i]);
    for (size_t j = 0; j < ranks.size(); ++j) {
        std::vector<double>& m = members[size_t(slotOf[bucketOfRank[j]])];
        const size_t k = ranks[j] - below[bucketOfRank[j]];
        std::nth_element(m.begin(), m.begin() + std::ptrdiff_t(k), m.end());
        result[j] = m[k];
    }
    return result;
}

ResultStatistics statisticsOf(const double* x, size_t n, int bins)
{
    ResultStatistics s;
    double sum[4] = {0, 0, 0, 0};
    double lo[4] = {x[0], x[0], x[0], x[0]}, hi[4] = {x[0], x[0], x[0], x[0]};
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (size_t l = 0; l < 4; ++l) {
            const double v = x[i + l];
            sum[l] += v;
            lo[l] = std::min(lo[l], v);
            hi[l] = std::max(hi[l], v);
        }
    for (; i < n; ++i) {
        sum[0] += x[i];
        lo[0] = std::min(lo[0], x[i]);
        hi[0] = std::max(hi[0], x[i]);
    }
    s.min = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
    s.max = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
    s.mean = ((sum[0] + sum[1]) + (sum[2] + sum[3])) / double(n);
    if (!(s.max > s.min)) { // equal trials: exactly that value, without the rounding of the sums
        s.mean = s.p90 = s.p50 = s.p10 = s.min;
        s.probabilityOfMean = 1.0;
        if (bins > 0) {
            s.histogram.assign(size_t(bins), 0);
            s.histogram[0] = uint32_t(n);
        }
        return s;
    }
    double sq[2] = {0, 0};
    size_t atOrAbove = 0;
    for (size_t j = 0; j < n; ++j) {
        const double d = x[j] - s.mean;
        sq[j & 1] += d * d;
        atOrAbove += x[j] >= s.mean;
    }
    s.sd = n > 1 ? std::sqrt((sq[0] + sq[1]) / double(n - 1)) : 0;
    s.probabilityOfMean = double(atOrAbove) / double(n);
    if (bins > 0) {
        s.histogram.assign(size_t(bins), 0);
        const double scale = bins / (s.max - s.min);
        for (size_t j = 0; j < n; ++j) ++s.histogram[std::min(size_t((x[j] - s.min) * scale), size_t(bins) - 1)];
    }
    // Lower-tail quantiles with linear interpolation between order statistics (P90 is the 10th
    // percentile: exceeded with probability 0.9).
    const double probs[3] = {0.1, 0.5, 0.9};
    std::vector<size_t> ranks;
    for (double p : probs) {
        const size_t k = size_t(std::floor(p * double(n - 1)));
        ranks.push_back(k);
        ranks.push_back(std::min(k + 1, n - 1));
    }
    const std::vector<double> v = valuesAtRanks(x, n, s.min, s.max, ranks);
    double q[3];
    for (int j = 0; j < 3; ++j) {
        const double h = probs[j] * double(n - 1);
        const double frac = h - std::floor(h);
        q[j] = v[size_t(2 * j)] + frac * (v[size_t(2 * j + 1)] - v[size_t(2 * j)]);
    }
    s.p90 = q[0];
    s.p50 = q[1];
    s.p10 = q[2];
    return s;
}

// A stream key per horizon: its ID (or its position when it has none) and how many horizons
// before it had the same key, so that horizons never share draws.
std::vector<uint64_t> horizonKeys(const std::vector<HorizonSimulationInput>& inputs, uint64_t seed)
{
    std::map<uint64_t, uint64_t> seen;
    std::vector<uint64_t> keys;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const uint64_t base = inputs[i].id ? uint64_t(uint32_t(*inputs[i].id)) : (uint64_t(1) << 40) + i;
        keys.push_back(StreamKey(StreamKey(seed, base), seen[base]++));
    }
    return keys;
}

constexpr uint64_t kBlock = 2048;
constexpr uint64_t kWholeHorizonTrials = 1 << 16;

} // namespace

std::span<const SimParameterDecl> SimParameterDecls() { return kParameters; }
const SimParameterDecl& SimParameterDeclOf(SimParameter p) { return kParameters[size_t(p)]; }
std::span<const SimResultDecl> SimResultDecls() { return kResults; }
std::span<const SimTotalDecl> SimTotalDecls() { return kTotals; }

std::optional<ParameterDistribution> DistributionOf(const HorizonSimulationInput& input, SimParameter p,
                                                    ResourceDistribution kind)
{
    const SimParameterDecl& decl = SimParameterDeclOf(p);
    const ParameterValues& v = input[p];
    if (!v.min && !v.max) return std::nullopt;
    for (const std::optional<double>& x : {v.min, v.max, v.mostLikely})
        if (x && !std::isfinite(*x))
            throw Error(QStringLiteral("значение параметра «%1» не является числом").arg(captionOf(decl.minField)).toStdString());
    if (!v.min || !v.max || *v.min == *v.max) return ParameterDistribution::Fixed(v.min ? *v.min : *v.max);
    ParameterRange range;
    range.min = std::min(*v.min, *v.max);
    range.max = std::max(*v.min, *v.max);
    range.mostLikely = v.mostLikely.value_or((range.min + range.max) / 2);
    range.fraction = decl.fraction;
    if (kind == ResourceDistribution::Lognormal && !(range.min > 0))
        throw Error(QStringLiteral("для логнормального распределения параметр «%1» должен быть больше нуля")
                        .arg(captionOf(decl.minField))
                        .toStdString());
    return ParameterDistribution(kind, range);
}

SimulationRun RunResourceSimulation(std::vector<HorizonSimulationInput> inputs, const SimulationOptions& options,
                                    SimulationControl* control)
{
    if (options.trials < 1 || options.trials > SimulationOptions::kMaxTrials)
        throw Error("Число испытаний должно быть от 1 до " + std::to_string(SimulationOptions::kMaxTrials) + ".");
    SimulationRun run;
    run.options = options;
    run.inputs = std::move(inputs);
    const int threads = options.threads > 0 ? options.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    const uint64_t n = options.trials;
    const uint64_t blocks = (n + kBlock - 1) / kBlock;
    const std::vector<uint64_t> keys = horizonKeys(run.inputs, options.seed);

    std::vector<Plan> plans;
    for (size_t h = 0; h < run.inputs.size(); ++h) {
        HorizonSimulation hs;
        hs.input = int(h);
        plans.push_back(makePlan(run.inputs[h], options.distribution, hs.messages));
        run.horizons.push_back(std::move(hs));
    }

    // Trial-by-trial sums of the totals, over the horizons whose kind each total takes in.
    std::array<std::vector<double>, kSimTotalCount> totals;
    std::array<bool, kSimTotalCount> totalUsed{};
    for (size_t t = 0; t < kSimTotalCount; ++t) {
        for (size_t h = 0; h < plans.size(); ++h)
            if (kindIn(run.inputs[h].uvId, kTotals[t].resource) && plans[h].computes[size_t(kTotals[t].result)])
                totalUsed[t] = true;
        if (totalUsed[t]) totals[t].assign(n, 0.0);
    }

    // Horizons are taken in chunks whose trial arrays fit in a bounded amount of memory.
    constexpr uint64_t kChunkValues = uint64_t(1) << 21;
    const size_t chunk = std::min(plans.size(), size_t(std::max<uint64_t>(1, kChunkValues / (kSimResultCount * n))));
    // One store for a chunk's trial arrays, reused by every chunk.
    std::unique_ptr<double[]> store(new double[chunk * kSimResultCount * n]);
    auto array = [&](size_t inChunk, size_t r) { return store.get() + (inChunk * kSimResultCount + r) * n; };
    std::atomic<uint64_t> done{0}; // blocks drawn, for the progress
    for (size_t c0 = 0; c0 < plans.size(); c0 += chunk) {
        const size_t c1 = std::min(plans.size(), c0 + chunk);

        // Draw and compute, block by block. With few trials a task takes a whole horizon and
        // shuffles its strata once per parameter; with many, a task takes one block of a horizon.
        const bool wholeHorizons = n <= kWholeHorizonTrials;
        const uint64_t tasksPerHorizon = wholeHorizons ? 1 : blocks;
        parallelFor((c1 - c0) * tasksPerHorizon, threads, control, [&](size_t task) {
            const size_t h = c0 + task / tasksPerHorizon;
            const Plan& plan = plans[h];
            if (!plan.any()) return;
            thread_local std::vector<double> buffer;
            thread_local std::vector<uint32_t> strata;
            buffer.resize(kSimParameterCount * kBlock);
            const bool shuffle = wholeHorizons && options.method == SamplingMethod::LatinHypercube;
            if (shuffle) {
                strata.resize(kSimParameterCount * n);
                for (size_t p = 0; p < kSimParameterCount; ++p)
                    if (plan.dist[p] && !plan.dist[p]->fixed())
                        ShuffledStrata(StreamKey(StreamKey(keys[h], p), 3), uint32_t(n), strata.data() + p * n);
            }
            const uint64_t b0 = wholeHorizons ? 0 : task % blocks, b1 = wholeHorizons ? blocks : b0 + 1;
            for (uint64_t b = b0; b < b1; ++b) {
                const uint64_t first = b * kBlock, count = std::min(kBlock, n - first);
                std::array<const double*, kSimParameterCount> v{};
                for (size_t p = 0; p < kSimParameterCount; ++p) {
                    if (!plan.dist[p]) continue;
                    double* out = buffer.data() + p * kBlock;
                    DrawParameter(*plan.dist[p], options.method, StreamKey(keys[h], p), n, first, count, out,
                                  shuffle ? strata.data() + p * n : nullptr);
                    v[p] = out;
                }
                std::array<double*, kSimResultCount> out{};
                for (size_t r = 0; r < kSimResultCount; ++r)
                    if (plan.computes[r]) out[r] = array(h - c0, r) + first;
                computeChains(plan, v, count, out);
            }
            if (control) {
                const uint64_t drawn = done.fetch_add(b1 - b0) + (b1 - b0);
                control->permille = int(950 * drawn / (plans.size() * blocks));
            }
        });
        if (control && control->cancel) break;

        // Add the chunk's horizons to the totals in horizon order, so the sums do not depend on
        // how the work was split.
        parallelFor(blocks, threads, control, [&](size_t b) {
            const uint64_t first = b * kBlock, last = std::min(n, first + kBlock);
            for (size_t t = 0; t < kSimTotalCount; ++t) {
                if (!totalUsed[t]) continue;
                const size_t r = size_t(kTotals[t].result);
                for (size_t h = c0; h < c1; ++h) {
                    if (!plans[h].computes[r] || !kindIn(run.inputs[h].uvId, kTotals[t].resource)) continue;
                    const double* x = array(h - c0, r);
                    double* sum = totals[t].data();
                    for (uint64_t i = first; i < last; ++i) sum[i] += x[i];
                }
            }
        });

        parallelFor((c1 - c0) * kSimResultCount, threads, control, [&](size_t task) {
            const size_t h = c0 + task / kSimResultCount, r = task % kSimResultCount;
            if (!plans[h].computes[r]) return;
            run.horizons[h].results[r] = statisticsOf(array(h - c0, r), n, options.histogramBins);
        });
    }
    if (control && control->cancel) {
        run.cancelled = true;
        return run;
    }
    parallelFor(kSimTotalCount, threads, control, [&](size_t t) {
        if (totalUsed[t]) run.totals[t] = statisticsOf(totals[t].data(), n, options.histogramBins);
    });
    run.cancelled = control && control->cancel;
    if (control) control->permille = 1000;
    return run;
}

std::optional<Tornado> ComputeTornado(const HorizonSimulationInput& input, SimResult result,
                                      ResourceDistribution kind)
{
    QStringList ignored;
    const Plan plan = makePlan(input, kind, ignored);
    if (!plan.computes[size_t(result)]) return std::nullopt;
    std::array<double, kSimParameterCount> values{};
    std::array<const double*, kSimParameterCount> v{};
    for (size_t p = 0; p < kSimParameterCount; ++p) {
        if (!plan.dist[p]) continue;
        values[p] = plan.dist[p]->quantile(0.5);
        v[p] = &values[p];
    }
    auto evaluate = [&] {
        std::array<double, kSimResultCount> r{};
        std::array<double*, kSimResultCount> out{};
        for (size_t i = 0; i < kSimResultCount; ++i) out[i] = &r[i];
        computeChains(plan, v, 1, out);
        return r[size_t(result)];
    };
    Tornado t;
    t.base = evaluate();
    for (size_t p = 0; p < kSimParameterCount; ++p) {
        if (!plan.dist[p] || plan.dist[p]->fixed()) continue;
        const double keep = values[p];
        TornadoBar bar{SimParameter(p)};
        values[p] = plan.dist[p]->quantile(0.1);
        bar.atP90 = evaluate();
        values[p] = plan.dist[p]->quantile(0.9);
        bar.atP10 = evaluate();
        values[p] = keep;
        if (bar.atP90 != t.base || bar.atP10 != t.base) t.bars.push_back(bar);
    }
    std::stable_sort(t.bars.begin(), t.bars.end(), [](const TornadoBar& a, const TornadoBar& b) {
        return std::abs(a.atP10 - a.atP90) > std::abs(b.atP10 - b.atP90);
    });
    return t;
}

std::vector<std::pair<double, double>> ExceedanceCurve(const ResultStatistics& s)
{
    std::vector<std::pair<double, double>> curve;
    uint64_t total = 0;
    for (uint32_t c : s.histogram) total += c;
    if (total == 0) return curve;
    const size_t bins = s.histogram.size();
    uint64_t above = total;
    for (size_t b = 0; b <= bins; ++b) {
        const double x = s.min + (s.max - s.min) * double(b) / double(bins);
        curve.emplace_back(x, double(above) / double(total));
        if (b < bins) above -= s.histogram[b];
    }
    return curve;
}

QString SimulationNumberText(double v)
{
    if (v == 0) return QStringLiteral("0");
    const double a = std::abs(v);
    const int decimals = a >= 1000 ? 1 : a >= 100 ? 2 : a >= 1 ? 3 : std::min(8, 3 - int(std::floor(std::log10(a))));
    return QString::number(v, 'f', decimals);
}

} // namespace talvena
