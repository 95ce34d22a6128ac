// Opening and saving large passports, each timed in the same iteration as the reference it is
// held against, so that a busy machine slows both alike; the "ratio" counter is ours over the
// reference:
// - open of the big passport (200 MB of attachments, 100,000 points) against `cat FILE > /dev/null`;
// - save after changing one field of PASPORTS against `cp` of the file followed by `sync` of the copy;
// - save of the million-point passport with every block changed against single-threaded zlib
//   level-9 deflate of the same four table streams;
// - open of the million-point passport (absolute);
// - peak resident memory of `talvena-psp convert` on the big passport against the file's size.
#include "large_passports.h"

#include "storage/table_stream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

extern char** environ;

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

// Reports ours and the reference in milliseconds per iteration and their ratio.
void report(benchmark::State& state, double ours, double reference, const char* referenceName)
{
    const double n = double(state.iterations());
    state.counters["ms"] = 1000 * ours / n;
    state.counters[referenceName] = 1000 * reference / n;
    state.counters["ratio"] = ours / reference;
}

void BM_OpenBigAgainstCat(benchmark::State& state)
{
    const QString file = largePassports().big;
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    double ours = 0, reference = 0;
    for (auto _ : state) {
        reference += secondsOf([&] { shell("cat '" + file + "' > /dev/null"); });
        const double t = secondsOf([&] { m.LoadPassport(file); });
        ours += t;
        state.SetIterationTime(t);
    }
    report(state, ours, reference, "cat_ms");
}

void BM_SaveBigOneFieldAgainstCpSync(benchmark::State& state)
{
    const QString file = largePassports().big;
    const QString copy = largePassports().dir.filePath("copy.psp");
    const QString target = largePassports().dir.filePath("saved.psp");
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    m.LoadPassport(file);
    double ours = 0, reference = 0;
    int round = 0;
    for (auto _ : state) {
        reference += secondsOf([&] { shell("cp '" + file + "' '" + copy + "' && sync '" + copy + "'"); });
        m.PASPORTS.edit();
        m.PASPORTS.fieldByName("OBJECTNAME").setString("Object " + QByteArray::number(++round));
        const double t = secondsOf([&] { m.SavePassport(target); });
        ours += t;
        state.SetIterationTime(t);
    }
    report(state, ours, reference, "cp_sync_ms");
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
    double ours = 0, reference = 0;
    int round = 0;
    for (auto _ : state) {
        ++round;
        touch(m.PASPORTS, "OBJECTNAME", round);
        touch(m.REFLECT_HORIZONTS, "SCALE", round);
        touch(m.POSIB_PRODUCT_HOR, "SCALE", round);
        touch(m.KONTUR, "ID", round);
        for (int i = 0; i < 4; ++i) {
            const QByteArray stream = TableStreamBytes(*m.passportTables()[size_t(i)], TableStreamFormat{});
            reference += secondsOf([&] { deflateOnOneThread(stream); });
        }
        const double t = secondsOf([&] { m.SavePassport(target); });
        ours += t;
        state.SetIterationTime(t);
    }
    report(state, ours, reference, "zlib9_ms");
}

void BM_OpenMillion(benchmark::State& state)
{
    const QString file = largePassports().million;
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    for (auto _ : state) m.LoadPassport(file);
}

// Peak resident memory of a child process, in bytes.
qint64 peakMemoryOf(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) throw std::runtime_error("spawn");
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("convert failed");
    return qint64(usage.ru_maxrss) * 1024;
}

void BM_ConvertBigPeakMemory(benchmark::State& state)
{
    const QString file = largePassports().big;
    const std::string tool = (bench::binFolder() + "/talvena-psp").toStdString();
    const std::string out = largePassports().dir.filePath("converted.psp").toStdString();
    qint64 peak = 0;
    for (auto _ : state) peak = std::max(peak, peakMemoryOf({tool, "convert", file.toStdString(), out}));
    const double size = double(QFileInfo(file).size());
    state.counters["peak_MB"] = double(peak) / 1e6;
    state.counters["file_MB"] = size / 1e6;
    state.counters["ratio"] = double(peak) / size;
}

BENCHMARK(BM_OpenBigAgainstCat)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SaveBigOneFieldAgainstCpSync)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_SaveMillionAllBlocksNewAgainstZlib)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_OpenMillion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ConvertBigPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
