// The catalogue beside the limits it is held to, over a folder of generated passports (10
// horizons of 200 contour points each, 2,000 points a passport; TALVENA_BENCH_PASSPORTS of them,
// 10,000 by default, made once and kept in the temporary folder):
// - indexing into a GeoPackage: ≥ 200 passports/s;
// - a second run with nothing changed: ≤ 5 s;
// - find by name, region or box: ≤ 50 ms;
// - the same into PostgreSQL (TALVENA_BENCH_POSTGRES=postgresql://…, an empty database) within 2×.
#include "catalogue/catalogue_index.h"
#include "catalogue/catalogue_query.h"
#include "contour_passport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

using namespace talvena;
using namespace talvena::catalogue;

namespace {

QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

int passportCount() { return qEnvironmentVariableIsSet("TALVENA_BENCH_PASSPORTS") ? qEnvironmentVariableIntValue("TALVENA_BENCH_PASSPORTS") : 10000; }

QString folder()
{
    static const QString path = [] {
        const int n = passportCount();
        const QString dir = QDir::temp().filePath(QStringLiteral("talvena-bench-catalogue-%1").arg(n));
        const QString done = dir + "/.complete";
        if (QFileInfo::exists(done)) return dir;
        QDir().mkpath(dir + "/passports");
        for (int i = 0; i < n; ++i) {
            // Each passport's contours lie elsewhere, so every file differs.
            auto m = contourPassport(10, 200, {60.0 + (i % 100) * 0.3, 50.0 + (i / 100) * 0.2}, {0.02, 0.02}, {0.01, 0.005});
            m->SavePassport(QStringLiteral("%1/passports/p%2.psp").arg(dir).arg(i, 5, 10, QChar('0')));
        }
        QFile(done).open(QIODevice::WriteOnly);
        return dir;
    }();
    return path;
}

QString geoPackage() { return folder() + "/catalogue.gpkg"; }

QString target(bool server) { return server ? qEnvironmentVariable("TALVENA_BENCH_POSTGRES") : geoPackage(); }

void firstRun(benchmark::State& state, bool server)
{
    if (server && target(true).isEmpty()) return state.SkipWithError("TALVENA_BENCH_POSTGRES is not set");
    const QString passports = folder() + "/passports";
    for (auto _ : state) {
        state.PauseTiming();
        if (server) {
            // An empty catalogue: every file is indexed again.
            CatalogueStore store(target(true), true);
            store.begin();
            for (const auto& [path, file] : store.knownFiles()) store.removePassport(path);
            store.commit();
        } else {
            QFile::remove(geoPackage());
        }
        state.ResumeTiming();
        const IndexReport r = IndexPassports(target(server), {passports}, binFolder());
        benchmark::DoNotOptimize(r.added);
    }
    state.counters["passports_per_s"] = benchmark::Counter(double(passportCount()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["limit_per_s"] = server ? 100 : 200;
}

void unchangedRun(benchmark::State& state, bool server)
{
    if (server && target(true).isEmpty()) return state.SkipWithError("TALVENA_BENCH_POSTGRES is not set");
    const QString passports = folder() + "/passports";
    IndexPassports(target(server), {passports}, binFolder());
    for (auto _ : state) {
        const IndexReport r = IndexPassports(target(server), {passports}, binFolder());
        if (r.unchanged != passportCount()) state.SkipWithError("files changed between runs");
    }
    state.counters["limit_s"] = server ? 10 : 5;
}

void find(benchmark::State& state, bool server, const FindQuery& query)
{
    if (server && target(true).isEmpty()) return state.SkipWithError("TALVENA_BENCH_POSTGRES is not set");
    CatalogueStore store(target(server), false);
    for (auto _ : state) benchmark::DoNotOptimize(FindPassports(store, query).size());
    state.counters["limit_ms"] = server ? 100 : 50;
}

FindQuery byName() { return {QStringLiteral("p0123"), {}, {}, {}, {}}; }
FindQuery byRegion() { return {{}, QStringLiteral("Томская"), {}, {}, {}}; }
FindQuery byBox() { return {{}, {}, {}, {}, Box{70, 55, 72, 56}}; }

void IndexGeoPackage(benchmark::State& s) { firstRun(s, false); }
void UnchangedGeoPackage(benchmark::State& s) { unchangedRun(s, false); }
void FindByNameGeoPackage(benchmark::State& s) { find(s, false, byName()); }
void FindByRegionGeoPackage(benchmark::State& s) { find(s, false, byRegion()); }
void FindByBoxGeoPackage(benchmark::State& s) { find(s, false, byBox()); }
void IndexPostgres(benchmark::State& s) { firstRun(s, true); }
void UnchangedPostgres(benchmark::State& s) { unchangedRun(s, true); }
void FindByNamePostgres(benchmark::State& s) { find(s, true, byName()); }
void FindByRegionPostgres(benchmark::State& s) { find(s, true, byRegion()); }
void FindByBoxPostgres(benchmark::State& s) { find(s, true, byBox()); }

} // namespace

BENCHMARK(IndexGeoPackage)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(UnchangedGeoPackage)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(FindByNameGeoPackage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindByRegionGeoPackage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindByBoxGeoPackage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(IndexPostgres)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(UnchangedPostgres)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(FindByNamePostgres)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindByRegionPostgres)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindByBoxPostgres)->Unit(benchmark::kMillisecond)->UseRealTime();
