// Opening and saving large passports, each timed in the same iteration as the reference it is
// held against, so that a busy machine slows both alike; the "ratio" counter is ours over the
// reference:
// - open of the big passport (200 MB of attachments, 100,000 points) against `cat FILE > /dev/null`,
//   nine times, with the medians of both;
// - save after changing one field of PASPORTS against `cp` of the file followed by `sync` of the copy;
// - save of the million-point passport with every block changed against single-threaded zlib
//   level-9 deflate of the same four table streams;
// - open of the million-point passport (absolute);
// - peak resident memory of `talvena-psp convert` on the big passport (by GNU time) against the
//   file's size.
#include "large_passports.h"

#include "storage/table_stream.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <string>
#include <cstdlib>
#include <zlib.h>

using namespace talvena;
using bench::largePassports;

namespace {

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void shell(const QString& command)
{
    if (std::system(command.toLocal8Bit().constData()) != 0) throw std::runtime_error("command failed");
}

// Ours and the reference, iteration by iteration.
struct Pairs {
    std::vector<double> ours, reference;
    void add(benchmark::State& state, double o, double r)
    {
        ours.push_back(o);
        reference.push_back(r);
        state.SetIterationTime(o);
    }
    // Milliseconds per iteration of both, the ratio of the totals, and the median of the
    // iterations' ratios (the first iterations also pay for memory the process never touched).
    void report(benchmark::State& state, const char* referenceName) const
    {
        const double o = std::accumulate(ours.begin(), ours.end(), 0.0);
        const double r = std::accumulate(reference.begin(), reference.end(), 0.0);
        std::vector<double> ratios;
        for (size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / reference[i]);
        std::sort(ratios.begin(), ratios.end());
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        state.counters["ms"] = 1000 * o / double(ours.size());
        state.counters[referenceName] = 1000 * r / double(ours.size());
        state.counters["median_ms"] = 1000 * median(ours);
        state.counters[std::string("median_") + referenceName] = 1000 * median(reference);
        state.counters["ratio"] = o / r;
        state.counters["median_ratio"] = ratios[ratios.size() / 2];
    }
};

void BM_OpenBigAgainstCat(benchmark::State& state)
{
    const QString file = largePassports().big;
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    Pairs pairs;
    for (auto _ : state) {
        const double reference = secondsOf([&] { shell("cat '" + file + "' > /dev/null"); });
        pairs.add(state, secondsOf([&] { m.LoadPassport(file); }), reference);
    }
    pairs.report(state, "cat_ms");
}

void BM_SaveBigOneFieldAgainstCpSync(benchmark::State& state)
{
    const QString file = largePassports().big;
    const QString copy = largePassports().dir.filePath("copy.psp");
    const QString target = largePassports().dir.filePath("saved.psp");
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    m.LoadPassport(file);
    Pairs pairs;
    int round = 0;
    for (auto _ : state) {
        const double reference =
            secondsOf([&] { shell("cp '" + file + "' '" + copy + "' && sync '" + copy + "'"); });
        m.PASPORTS.edit();
        m.PASPORTS.fieldByName("OBJECTNAME").setString("Object " + QByteArray::number(++round));
        pairs.add(state, secondsOf([&] { m.SavePassport(target); }), reference);
    }
    pairs.report(state, "cp_sync_ms");
}

// Raw deflate at level 9, window 15, memory level 8, on one thread: what a gzip member of the
// stream costs without our pieces.
void deflateOnOneThread(const QByteArray& data)
{
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    benchmark::DoNotOptimize(s.total_out);
    deflateEnd(&s);
}

// Changes one value of the first record of a table, so that its block is new at the next save.
void touch(RecordTable& t, const char* field, int round)
{
    t.first();
    t.edit();
    Field& f = t.fieldByName(field);
    if (f.valueClass() == ValueClass::Integer) f.setInteger(1000000 + round);
    else f.setString("Round " + QByteArray::number(round));
    t.post();
}

void BM_SaveMillionAllBlocksNewAgainstZlib(benchmark::State& state)
{
    const QString target = largePassports().dir.filePath("million.psp");
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    m.LoadPassport(largePassports().million);
    Pairs pairs;
    int round = 0;
    for (auto _ : state) {
        ++round;
        touch(m.PASPORTS, "OBJECTNAME", round);
        touch(m.REFLECT_HORIZONTS, "SCALE", round);
        touch(m.POSIB_PRODUCT_HOR, "SCALE", round);
        touch(m.KONTUR, "ID", round);
        double reference = 0;
        for (int i = 0; i < 4; ++i) {
            const QByteArray stream = TableStreamBytes(*m.passportTables()[size_t(i)], TableStreamFormat{});
            reference += secondsOf([&] { deflateOnOneThread(stream); });
        }
        pairs.add(state, secondsOf([&] { m.SavePassport(target); }), reference);
    }
    pairs.report(state, "zlib9_ms");
}

void BM_OpenMillion(benchmark::State& state)
{
    const QString file = largePassports().million;
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    for (auto _ : state) m.LoadPassport(file);
}

// Peak resident memory of a command, in bytes, as GNU time reports it. Not from wait4 here: a
// child's peak counts the memory of this process as it was when the child started.
qint64 peakMemoryOf(const QString& command)
{
    const QString report = largePassports().dir.filePath("time.txt");
    shell("/usr/bin/time -f %M -o '" + report + "' " + command);
    QFile f(report);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("no report of /usr/bin/time");
    return f.readAll().trimmed().toLongLong() * 1024;
}

void BM_ConvertBigPeakMemory(benchmark::State& state)
{
    const QString file = largePassports().big;
    const QString command = "'" + bench::binFolder() + "/talvena-psp' convert '" + file + "' '" +
                            largePassports().dir.filePath("converted.psp") + "'";
    qint64 peak = 0;
    for (auto _ : state) peak = std::max(peak, peakMemoryOf(command));
    const double size = double(QFileInfo(file).size());
    state.counters["peak_MB"] = double(peak) / 1e6;
    state.counters["file_MB"] = size / 1e6;
    state.counters["ratio"] = double(peak) / size;
}

BENCHMARK(BM_OpenBigAgainstCat)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);
BENCHMARK(BM_SaveBigOneFieldAgainstCpSync)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SaveMillionAllBlocksNewAgainstZlib)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_OpenMillion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ConvertBigPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
