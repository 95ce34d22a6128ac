// Loading a 50 MB file into a slot of the documents page in the real window (offscreen): the file
// is compressed away from the window's thread while the window keeps running, then stored in FILES
// and shown in the slot. Side by side with GNU gzip -9 of the same file, for mixed data (text with
// a quarter of random blocks) and for random data (an already compressed picture or archive).
#include "app/documents_page.h"
#include "bench_window.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

using namespace talvena;

namespace {

constexpr qint64 kFileSize = 50 << 20;

struct Page : BenchWindow {
    QTemporaryDir dir;
    QString mixed, random;
};

void writeData(const QString& path, bool mixedData)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    std::mt19937_64 gen(2024);
    static const char* const words[] = {"Jurassic", "reservoir", "sandstone", "oil", "gas", "well", "profile",
                                        "seismic", "horizon", "map", "1:50 000", "legend"};
    QByteArray data;
    data.reserve(kFileSize + 65536);
    while (data.size() < kFileSize) {
        if (!mixedData || gen() % 4 == 0) {
            for (int i = 0; i < 4096; ++i) {
                const uint64_t r = gen();
                data.append(reinterpret_cast<const char*>(&r), sizeof r);
            }
            continue;
        }
        for (int line = 0; line < 200; ++line) {
            const uint64_t r = gen();
            data.append(words[r % std::size(words)]).append(' ');
            data.append(QByteArray::number(qint64(r >> 40) % 100000 - 5000)).append('.');
            data.append(QByteArray::number(qint64(r >> 20) % 1000)).append('\n');
        }
    }
    data.truncate(kFileSize);
    f.write(data);
}

Page& page()
{
    static Page* p = [] {
        auto* page = new Page;
        page->mixed = page->dir.filePath("mixed.bin");
        page->random = page->dir.filePath("random.bin");
        writeData(page->mixed, true);
        writeData(page->random, false);
        page->show();
        return page;
    }();
    return *p;
}

const QString& fileOf(const benchmark::State& state) { return state.range(0) ? page().random : page().mixed; }

void BM_LoadFileIntoSlot(benchmark::State& state)
{
    Page& p = page();
    for (auto _ : state) {
        p.form->documentsPage().loadFile(SlotList::Documents, fileOf(state));
        if (p.dm->FILES.recordCount() != 1 || !p.ui.boxes.isEmpty()) state.SkipWithError("the load failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 + double(usage.ru_stime.tv_sec) +
           double(usage.ru_stime.tv_usec) / 1e6;
}

void BM_GnuGzip9(benchmark::State& state)
{
    const std::string command = "gzip -9 -c '" + fileOf(state).toStdString() + "' > /dev/null";
    const double before = childCpuSeconds();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("gzip failed");
    state.counters["gzip_cpu_ms"] = (childCpuSeconds() - before) * 1000.0 / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * kFileSize);
}

} // namespace

// The work runs on another thread and in a child process: both are timed by the wall clock.
BENCHMARK(BM_LoadFileIntoSlot)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GnuGzip9)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
