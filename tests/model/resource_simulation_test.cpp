// The resource simulation against independent oracles: moments and quantiles known in closed form,
// the sampling error of the two methods, determinism across thread counts, and the fill through
// the passport's field rules.
#include "model/resource_simulation.h"
#include "model/resource_simulation_table.h"
#include "model_fixture.h"

#include <cmath>
#include <cstring>

namespace talvena::test {
namespace {

using P = SimParameter;
using R = SimResult;

constexpr double kZ90 = 1.2815515655446004;

HorizonSimulationInput horizon(int32_t id, int32_t uvId)
{
    HorizonSimulationInput in;
    in.id = id;
    in.uvId = uvId;
    in.name = cp("Ю") + QByteArray::number(id);
    return in;
}

void setRange(HorizonSimulationInput& in, P p, double min, double max, std::optional<double> mostLikely = {})
{
    in[p].min = min;
    in[p].max = max;
    in[p].mostLikely = mostLikely;
}

// An oil horizon whose six balance parameters and recovery have the given ranges.
HorizonSimulationInput oilHorizon(int32_t id, const std::array<std::pair<double, double>, 7>& ranges)
{
    HorizonSimulationInput in = horizon(id, 397);
    const P oil[] = {P::OilArea,    P::OilThickness,  P::OilPorosity, P::OilSaturation,
                     P::OilDensity, P::OilConversion, P::OilRecovery};
    for (size_t i = 0; i < 7; ++i) setRange(in, oil[i], ranges[i].first, ranges[i].second);
    in[P::OilGasFactor].min = 50;
    return in;
}

const std::array<std::pair<double, double>, 7> kOilRanges = {
    {{8, 14}, {4, 9}, {0.12, 0.22}, {0.55, 0.8}, {0.82, 0.9}, {0.7, 0.9}, {0.2, 0.4}}};

double mid(std::pair<double, double> r) { return (r.first + r.second) / 2; }

SimulationRun run(std::vector<HorizonSimulationInput> inputs, uint64_t trials, ResourceDistribution d,
                  SamplingMethod m = SamplingMethod::LatinHypercube, uint64_t seed = 1, int threads = 2)
{
    SimulationOptions o;
    o.trials = trials;
    o.distribution = d;
    o.method = m;
    o.seed = seed;
    o.threads = threads;
    return RunResourceSimulation(std::move(inputs), o);
}

TEST(ResourceSimulation, MomentsAndQuantilesMatchClosedForms)
{
    // Independent uniform inputs: the mean of the product is the product of the means.
    double productOfMeans = 1;
    for (size_t i = 0; i < 6; ++i) productOfMeans *= mid(kOilRanges[i]);
    for (SamplingMethod m : {SamplingMethod::LatinHypercube, SamplingMethod::MonteCarlo}) {
        const SimulationRun r = run({oilHorizon(1, kOilRanges)}, 1'000'000, ResourceDistribution::Uniform, m);
        const ResultStatistics& bal = *r.horizons[0][R::OilBalance];
        EXPECT_NEAR(bal.mean, productOfMeans, 0.005 * productOfMeans);
        const double recovered = productOfMeans * mid(kOilRanges[6]);
        EXPECT_NEAR(r.horizons[0][R::OilRecoverable]->mean, recovered, 0.005 * recovered);
        EXPECT_NEAR(r.horizons[0][R::DissolvedGas]->mean, recovered * 50, 0.005 * recovered * 50);
        EXPECT_LT(bal.min, bal.p90);
        EXPECT_LT(bal.p90, bal.p50);
        EXPECT_LT(bal.p50, bal.p10);
        EXPECT_LT(bal.p10, bal.max);
        EXPECT_GT(bal.probabilityOfMean, 0.3);
        EXPECT_LT(bal.probabilityOfMean, 0.5); // a right-skewed product: the mean is above the median
    }

    // Lognormal inputs (minimum = P90, maximum = P10): the product is lognormal with the sums of
    // the logarithmic means and variances, so its quantiles are known exactly.
    {
        double mu = 0, var = 0;
        for (size_t i = 0; i < 6; ++i) {
            const auto [a, b] = kOilRanges[i];
            mu += (std::log(a) + std::log(b)) / 2;
            const double s = (std::log(b) - std::log(a)) / (2 * kZ90);
            var += s * s;
        }
        const double sd = std::sqrt(var);
        const SimulationRun r = run({oilHorizon(1, kOilRanges)}, 1'000'000, ResourceDistribution::Lognormal);
        const ResultStatistics& bal = *r.horizons[0][R::OilBalance];
        EXPECT_NEAR(bal.p90, std::exp(mu - kZ90 * sd), 0.01 * std::exp(mu - kZ90 * sd));
        EXPECT_NEAR(bal.p50, std::exp(mu), 0.01 * std::exp(mu));
        EXPECT_NEAR(bal.p10, std::exp(mu + kZ90 * sd), 0.01 * std::exp(mu + kZ90 * sd));
        EXPECT_NEAR(bal.mean, std::exp(mu + var / 2), 0.01 * std::exp(mu + var / 2));
    }

    // One varying parameter: PERT's mean (a + 4m + b) / 6 with the deterministic value as the mode,
    // its variance (mean - a)(b - mean) / 7; the triangle's mean (a + m + b) / 3.
    {
        HorizonSimulationInput in = oilHorizon(1, kOilRanges);
        for (P p : {P::OilThickness, P::OilPorosity, P::OilSaturation, P::OilDensity, P::OilConversion})
            in[p].max = in[p].min;
        setRange(in, P::OilArea, 10, 20, 12);
        const double fixed = 4 * 0.12 * 0.55 * 0.82 * 0.7;
        const SimulationRun pert = run({in}, 200'000, ResourceDistribution::Pert);
        const double mean = (10 + 4 * 12 + 20) / 6.0;
        EXPECT_NEAR(pert.horizons[0][R::OilBalance]->mean / fixed, mean, 0.001 * mean);
        const double sd = std::sqrt((mean - 10) * (20 - mean) / 7);
        EXPECT_NEAR(pert.horizons[0][R::OilBalance]->sd / fixed, sd, 0.01 * sd);
        const SimulationRun tri = run({in}, 200'000, ResourceDistribution::Triangular);
        EXPECT_NEAR(tri.horizons[0][R::OilBalance]->mean / fixed, 14.0, 0.001 * 14);
        // A mode outside the range is taken as the middle: a symmetric PERT.
        in[P::OilArea].mostLikely = 25;
        const SimulationRun middle = run({in}, 200'000, ResourceDistribution::Pert);
        EXPECT_NEAR(middle.horizons[0][R::OilBalance]->p50 / fixed, 15.0, 0.002 * 15);
    }
}

TEST(ResourceSimulation, FixedValuesGiveTheDeterministicChains)
{
    HorizonSimulationInput in = horizon(7, 886);
    const std::pair<P, double> values[] = {
        {P::OilArea, 10},           {P::OilThickness, 5},       {P::OilPorosity, 0.2},       {P::OilSaturation, 0.7},
        {P::OilDensity, 0.85},      {P::OilConversion, 0.8},    {P::OilRecovery, 0.3},       {P::OilGasFactor, 50},
        {P::GasArea, 20},           {P::GasThickness, 10},      {P::GasPorosity, 0.15},      {P::GasSaturation, 0.8},
        {P::GasInitialPressure, 250}, {P::GasFinalPressure, 10}, {P::GasCompressibility, 0.9}, {P::GasTemperature, 0.95},
        {P::GasDryContent, 0.9},    {P::CondensateContent, 150}, {P::CondensateRecovery, 0.6},
    };
    for (auto [p, v] : values) in[p].min = v; // only one end: fixed
    in[P::OilArea].max = 10;                  // equal ends: fixed
    const SimulationRun r = run({in}, 1000, ResourceDistribution::Pert);
    const double expected[] = {4.76, 1.428, 71.4, 6105.333333, 5494.8, 0.9158, 0.54948};
    for (size_t i = 0; i < kSimResultCount; ++i) {
        const ResultStatistics& s = *r.horizons[0].results[i];
        EXPECT_NEAR(s.mean, expected[i], 1e-3 * expected[i]) << SimResultDecls()[i].key;
        EXPECT_EQ(s.min, s.max);
        EXPECT_EQ(s.p90, s.p10);
        EXPECT_EQ(s.probabilityOfMean, 1.0);
    }
    EXPECT_TRUE(r.horizons[0].messages.isEmpty());
}

TEST(ResourceSimulation, LatinHypercubeErrsLessThanMonteCarlo)
{
    double productOfMeans = 1;
    for (size_t i = 0; i < 6; ++i) productOfMeans *= mid(kOilRanges[i]);
    double squared[2] = {0, 0};
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        int k = 0;
        for (SamplingMethod m : {SamplingMethod::LatinHypercube, SamplingMethod::MonteCarlo}) {
            const SimulationRun r = run({oilHorizon(1, kOilRanges)}, 5000, ResourceDistribution::Uniform, m, seed);
            const double e = r.horizons[0][R::OilBalance]->mean / productOfMeans - 1;
            squared[k++] += e * e;
        }
    }
    EXPECT_LT(squared[0], squared[1] / 4); // the hypercube's mean is far closer, seed after seed
}

bool sameBits(const ResultStatistics& a, const ResultStatistics& b)
{
    const double x[] = {a.mean, a.sd, a.p90, a.p50, a.p10, a.min, a.max, a.probabilityOfMean};
    const double y[] = {b.mean, b.sd, b.p90, b.p50, b.p10, b.min, b.max, b.probabilityOfMean};
    return std::memcmp(x, y, sizeof x) == 0 && a.histogram == b.histogram;
}

TEST(ResourceSimulation, SameSeedGivesIdenticalResultsOnAnyNumberOfThreads)
{
    // Enough horizons and trials for several chunks of horizons and a last, partial block.
    std::vector<HorizonSimulationInput> inputs;
    for (int32_t i = 0; i < 26; ++i) {
        HorizonSimulationInput in = oilHorizon(100 + i, kOilRanges);
        in.uvId = 886;
        setRange(in, P::GasArea, 5 + i, 9 + i, 6 + i);
        setRange(in, P::GasThickness, 3, 8);
        setRange(in, P::GasPorosity, 0.1, 0.2);
        setRange(in, P::GasSaturation, 0.6, 0.8);
        setRange(in, P::GasInitialPressure, 200, 260);
        in[P::GasFinalPressure].min = 10;
        setRange(in, P::GasCompressibility, 0.85, 0.95);
        setRange(in, P::GasTemperature, 0.9, 1.0);
        setRange(in, P::GasDryContent, 0.85, 0.95);
        setRange(in, P::CondensateContent, 100, 200);
        setRange(in, P::CondensateRecovery, 0.5, 0.7);
        inputs.push_back(in);
    }
    for (ResourceDistribution d : {ResourceDistribution::Pert, ResourceDistribution::Lognormal}) {
        if (d == ResourceDistribution::Lognormal) inputs.resize(3);
        SimulationOptions o;
        o.trials = 50'001;
        o.distribution = d;
        o.histogramBins = 50;
        o.threads = 1;
        const SimulationRun one = RunResourceSimulation(inputs, o);
        o.threads = 2;
        const SimulationRun two = RunResourceSimulation(inputs, o);
        o.threads = 3;
        const SimulationRun three = RunResourceSimulation(inputs, o);
        for (size_t h = 0; h < inputs.size(); ++h)
            for (size_t r = 0; r < kSimResultCount; ++r) {
                ASSERT_TRUE(one.horizons[h].results[r]);
                EXPECT_TRUE(sameBits(*one.horizons[h].results[r], *two.horizons[h].results[r]));
                EXPECT_TRUE(sameBits(*one.horizons[h].results[r], *three.horizons[h].results[r]));
            }
        for (size_t t = 0; t < kSimTotalCount; ++t) {
            ASSERT_TRUE(one.totals[t]);
            EXPECT_TRUE(sameBits(*one.totals[t], *two.totals[t]));
            EXPECT_TRUE(sameBits(*one.totals[t], *three.totals[t]));
        }
        o.seed = 2;
        const SimulationRun other = RunResourceSimulation(inputs, o);
        EXPECT_NE(other.totals[0]->mean, one.totals[0]->mean);
    }
}

TEST(ResourceSimulation, TotalsAddHorizonsTrialByTrial)
{
    // Two identical, independent horizons: the total's mean doubles while its relative spread
    // shrinks (by about the square root of two), so its P90 is above the sum of the P90s.
    HorizonSimulationInput a = oilHorizon(1, kOilRanges), b = oilHorizon(2, kOilRanges);
    HorizonSimulationInput gasOnly = oilHorizon(3, kOilRanges);
    gasOnly.uvId = 398; // its oil takes no part in the oil total
    const SimulationRun r = run({a, b, gasOnly}, 200'000, ResourceDistribution::Pert);
    const ResultStatistics& one = *r.horizons[0][R::OilRecoverable];
    const ResultStatistics& total = *r.totals[size_t(SimTotal::Oil)];
    EXPECT_NEAR(total.mean, 2 * one.mean, 0.01 * 2 * one.mean);
    const double cvOne = one.sd / one.mean, cvTotal = total.sd / total.mean;
    EXPECT_LT(cvTotal, 0.8 * cvOne);
    EXPECT_GT(cvTotal, 0.6 * cvOne);
    EXPECT_GT(total.p90, 2 * one.p90);
    EXPECT_LT(total.p10, 2 * one.p10);
    EXPECT_TRUE(r.totals[size_t(SimTotal::DissolvedGas)]);
    EXPECT_FALSE(r.totals[size_t(SimTotal::Gas)]); // no gas horizon has its gas computed
}

TEST(ResourceSimulation, MissingParametersAreNamedByTheirCaptions)
{
    HorizonSimulationInput in = oilHorizon(1, kOilRanges);
    in.uvId = 886;
    in[P::OilThickness] = {};
    in[P::OilDensity].max.reset(); // one end is enough: fixed
    setRange(in, P::CondensateContent, 100, 200);
    const SimulationRun r = run({in}, 1000, ResourceDistribution::Pert);
    const HorizonSimulation& h = r.horizons[0];
    for (const auto& res : h.results) EXPECT_FALSE(res);
    const QString all = h.messages.join('\n');
    EXPECT_TRUE(all.contains(QStringLiteral("«Минимальная эффективная нефтенасыщенная толщина (м)»"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("плотности нефти"))) << all.toStdString();
    // No gas chain and no gas range of its own: the condensate names its missing gas.
    EXPECT_TRUE(all.contains(QStringLiteral("«Минимальное значение начального ресурса газа (млн. м3)»"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("«Минимальная площадь газоносности (км2)»"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Горизонт «Ю1»"))) << all.toStdString();

    // A condensate range of its own is enough without the gas chain.
    setRange(in, P::CondensateGas, 500, 900);
    setRange(in, P::CondensateRecovery, 0.5, 0.7);
    const SimulationRun own = run({in}, 1000, ResourceDistribution::Pert);
    EXPECT_TRUE(own.horizons[0][R::CondensateRecoverable]);
    EXPECT_FALSE(own.horizons[0][R::GasInitial]);
}

TEST(ResourceSimulation, OptionsOutOfRangeAreRefused)
{
    SimulationOptions o;
    o.trials = 0;
    EXPECT_THROW(RunResourceSimulation({}, o), Error);
    o.trials = SimulationOptions::kMaxTrials + 1;
    EXPECT_THROW(RunResourceSimulation({}, o), Error);
}

TEST_F(ModuleTest, SimulatedResourcesAreFilledThroughTheFieldRules)
{
    RecordTable& t = module.POSIB_PRODUCT_HOR;
    const std::pair<const char*, std::pair<double, double>> ranges[] = {
        {"OILSQUAREMIN", {8, 14}},      {"OILWIDTHMIN", {4, 9}},           {"OILKOEFOTKRPORMIN", {0.12, 0.22}},
        {"OILNASUSHMIN", {0.55, 0.8}},  {"OILPLOTNSURFMIN", {0.82, 0.9}},  {"OILKOEFPERERASCHMIN", {0.7, 0.9}},
        {"OILKOEFIZVLECHMIN", {0.2, 0.4}}, {"GAZCONBALANCERESGAZMIN", {500, 900}},
        {"GAZCONNACHSODKONDMIN", {100, 200}}, {"GAZCONKOEFIZVLECHMIN", {0.5, 0.7}},
    };
    auto maxOf = [](const char* min) { return QByteArray(min).replace("MIN", "MAX"); };
    // The third horizon's condensate is fixed throughout.
    for (int i = 0; i < 3; ++i) {
        t.append();
        t.fieldByName("STRATIGRSVIT").setString(cp("Ю") + QByteArray::number(i + 1));
        t.fieldByName("UV_ID").setInteger(886);
        for (const auto& [name, range] : ranges) {
            t.fieldByName(name).setFloat(range.first);
            t.fieldByName(maxOf(name)).setFloat(range.second);
        }
        if (i == 2)
            for (const char* name : {"GAZCONBALANCERESGAZMAX", "GAZCONNACHSODKONDMAX", "GAZCONKOEFIZVLECHMAX"})
                t.fieldByName(name).clear();
        t.fieldByName("OILGAZFACTOR2").setFloat(60);
        t.fieldByName("BALANCERESGAZCONDMAX").setFloat(0.01); // below the simulated P90
        t.fieldByName("OILPERSPECTRESOURCEPD").setFloat(0.5);
        t.post();
    }
    t.setFilterText("UV_ID=401");
    t.setFiltered(true); // the condensate page's filter hides both horizons
    module.state().setModified(false);

    SimulationOptions o;
    o.trials = 20'000;
    const SimulationRun r = RunResourceSimulation(ReadSimulationInputs(t), o);
    ASSERT_EQ(r.horizons.size(), 3u);
    const FillReport report = FillSimulatedResources(t, r);
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(report.horizons, 3);
    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(t.recordCount(), 0);

    t.setFiltered(false);
    for (int i = 0; i < 2; ++i) {
        const uint32_t row = t.storedRow(i);
        const HorizonSimulation& h = r.horizons[size_t(i)];
        auto value = [&](const char* name) { return t.rowValue(row, t.fieldByName(name)); };
        EXPECT_EQ(value("OILPERSPECTRESOURCEP").realValue(), h[R::OilRecoverable]->mean);
        EXPECT_EQ(value("OILBALANCERESOURCES").realValue(), h[R::OilBalance]->sd);
        for (const char* pd : {"OILBALANCERESOURCEPD", "OILPERSPECTRESOURCEPD", "PERSPRESGAZRASTVPD"}) {
            EXPECT_GT(value(pd).realValue(), 0);
            EXPECT_LE(value(pd).realValue(), 1);
        }
        EXPECT_EQ(value("BALANCERESGAZCONDMIN").realValue(), h[R::CondensateBalance]->p90);
        EXPECT_EQ(value("BALANCERESGAZCONDMAX").realValue(), h[R::CondensateBalance]->p10);
        EXPECT_EQ(value("IZVLEKRESGAZCONDPNEW").realValue(), h[R::CondensateRecoverable]->mean);
        for (const auto& [name, range] : ranges) { // the typed ranges stay as they were
            EXPECT_EQ(value(name).realValue(), range.first);
            EXPECT_EQ(value(maxOf(name)).realValue(), range.second);
        }
    }
    // A fixed condensate has a deviation of 0 and P90 = P10, which the field rules refuse: those
    // values alone are reported and left out, the rest of the horizon is written.
    ASSERT_FALSE(report.refused.isEmpty());
    const QString refused = report.refused.join('\n');
    EXPECT_TRUE(refused.contains(QStringLiteral("Горизонт «Ю3», «Среднеквадратическое отклонение (млн.т)»: Значение должно быть больше нуля.")))
        << refused.toStdString();
    EXPECT_FALSE(refused.contains(QStringLiteral("«Ю1»"))) << refused.toStdString();
    const uint32_t third = t.storedRow(2);
    EXPECT_EQ(t.rowValue(third, t.fieldByName("IZVLEKRESGAZCONDPNEW")).realValue(),
              r.horizons[2][R::CondensateRecoverable]->mean);
    EXPECT_TRUE(t.rowValue(third, t.fieldByName("IZVLEKRESGAZCONDSNEW")).isNull());
}

} // namespace
} // namespace talvena::test
