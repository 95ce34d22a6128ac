// gzip members of 50 MB of mixed data, ours against the GNU gzip program on the same bytes.
#include "storage/gzip.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr qsizetype kDataSize = 50 * 1024 * 1024;
constexpr int kIterations = 3;

std::uint64_t splitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Table-stream-like text (names, numbers, short records) with blocks of random bytes standing in
// for attachments that are already compressed; about a quarter of the bytes are random.
QByteArray makeMixedData()
{
    static const char* const words[] = {"PASPORTS", "KONTUR", "horizon", "Jurassic", "reservoir",
                                        "sandstone", "oil", "gas", "condensate", "well", "area",
                                        "Data", "String", "Integer", "Float", "DateTime", "NAME"};
    std::uint64_t state = 20240601;
    QByteArray data;
    data.reserve(kDataSize + 65536);
    while (data.size() < kDataSize) {
        const std::uint64_t choice = splitMix(state);
        if (choice % 4 == 0) {
            for (int i = 0; i < 4096; ++i) {
                const std::uint64_t r = splitMix(state);
                data.append(reinterpret_cast<const char*>(&r), sizeof r);
            }
            continue;
        }
        for (int line = 0; line < 200; ++line) {
            const std::uint64_t r = splitMix(state);
            data.append(words[r % std::size(words)]).append(' ');
            data.append(QByteArray::number(qint64(r >> 40) % 100000 - 5000)).append('.');
            data.append(QByteArray::number(qint64(r >> 20) % 1000)).append(' ');
            data.append(words[(r >> 8) % std::size(words)]).append('\n');
        }
    }
    data.truncate(kDataSize);
    return data;
}

struct Fixture {
    QByteArray data = makeMixedData();
    QByteArray member = talvena::CompressToGzip(data);
    QTemporaryDir dir;
    QString gzip = QStandardPaths::findExecutable("gzip");

    Fixture()
    {
        QFile plain(dir.filePath("data"));
        if (plain.open(QIODevice::WriteOnly))
            plain.write(data);
        const QString command = "'" + gzip + "' -9 -c '" + dir.filePath("data") + "' > '" + dir.filePath("data.gz") + "'";
        if (!gzip.isEmpty() && std::system(qPrintable(command)) != 0)
            gzip.clear();
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

// Runs `code` from one device over `input` into another over `output`, as files are coded.
template <typename Code> auto throughDevices(QByteArray& input, QByteArray& output, Code code)
{
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    return code(in, out);
}

void BM_CompressToGzip(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QByteArray member;
        benchmark::DoNotOptimize(throughDevices(f.data, member, [](QIODevice& in, QIODevice& out) {
            return talvena::CompressToGzip(in, out);
        }));
    }
    state.SetBytesProcessed(state.iterations() * f.data.size());
}

void BM_CompressToGzipBytes(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(talvena::CompressToGzip(f.data));
    state.SetBytesProcessed(state.iterations() * f.data.size());
}

void BM_DecompressGzip(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QByteArray decoded;
        const auto result = throughDevices(f.member, decoded, [](QIODevice& in, QIODevice& out) {
            return talvena::DecompressGzip(in, out);
        });
        if (result != talvena::GzipOk || decoded.size() != f.data.size())
            state.SkipWithError("decoding failed");
    }
    state.SetBytesProcessed(state.iterations() * f.data.size());
}

void BM_DecompressGzipBytes(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QByteArray decoded;
        if (talvena::DecompressGzip(f.member, decoded) != talvena::GzipOk)
            state.SkipWithError("decoding failed");
    }
    state.SetBytesProcessed(state.iterations() * f.data.size());
}

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The GNU program on the same bytes, from the page cache to /dev/null, for the ratio ours/gzip.
void runGnuGzip(benchmark::State& state, const char* arguments, const char* file)
{
    Fixture& f = fixture();
    if (f.gzip.isEmpty()) {
        state.SkipWithError("gzip not installed");
        return;
    }
    const std::string command = ("'" + f.gzip + "' " + arguments + " '" + f.dir.filePath(file) + "' > /dev/null")
                                    .toStdString();
    const double cpuBefore = childCpuSeconds();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("gzip failed");
    }
    // The machine may be shared: the child's CPU time compares with our CPU column.
    state.counters["gzip_cpu_ms"] = (childCpuSeconds() - cpuBefore) * 1000.0 / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * f.data.size());
}

void BM_GnuGzipCompress(benchmark::State& state) { runGnuGzip(state, "-9 -c", "data"); }
void BM_GnuGzipDecompress(benchmark::State& state) { runGnuGzip(state, "-dc", "data.gz"); }

} // namespace

// Child processes burn no CPU time of ours, so every case is timed by the wall clock.
BENCHMARK(BM_CompressToGzip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(BM_CompressToGzipBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(BM_GnuGzipCompress)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(BM_DecompressGzip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(BM_DecompressGzipBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(BM_GnuGzipDecompress)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
