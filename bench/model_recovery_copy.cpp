// The recovery copy of a modified passport: what the window's thread pays (taking the snapshot of
// the tables) against what the writer's thread does with it (the passport file written). The big
// passport (200 MB of attachments) and the million-point one; the window must not be held longer
// than 50 ms.
#include "large_passports.h"

#include "model/recovery_copies.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

#include <chrono>

using namespace talvena;
using bench::largePassports;

namespace {

void snapshotAndWrite(benchmark::State& state, const QString& file)
{
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    m.LoadPassport(file);
    m.PASPORTS.edit();
    m.PASPORTS.fieldByName("OBJECTNAME").setString("Изменён");
    m.PASPORTS.post();
    double writeSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::shared_ptr<PassportSnapshot> snapshot = PassportSnapshot::capture(m);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const auto writeStart = std::chrono::steady_clock::now();
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        snapshot->write(out);
        writeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - writeStart).count();
        benchmark::DoNotOptimize(out.size());
    }
    state.counters["writer_thread_ms"] = 1000 * writeSeconds / double(state.iterations());
}

void BM_RecoverySnapshotBig(benchmark::State& state) { snapshotAndWrite(state, largePassports().big); }
void BM_RecoverySnapshotMillion(benchmark::State& state) { snapshotAndWrite(state, largePassports().million); }

} // namespace

BENCHMARK(BM_RecoverySnapshotBig)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);
BENCHMARK(BM_RecoverySnapshotMillion)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);
