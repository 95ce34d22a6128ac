// Adding a 50 MB attachment side by side with gzip -9 of the same file, and the two largest blocks
// of the big passport (see large_passports.h) written to memory on their own.
#include "large_passports.h"

#include "storage/table_stream.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace talvena;
using bench::largePassports;

namespace {

void runShell(benchmark::State& state, const QString& command)
{
    for (auto _ : state)
        if (std::system(command.toLocal8Bit().constData()) != 0) state.SkipWithError("command failed");
}

void BM_Gzip9Attachment(benchmark::State& state)
{
    const QString source = bench::randomFile(largePassports().dir.filePath("fifty.bin"), 50 << 20, 99);
    runShell(state, "gzip -9 -c '" + source + "' > /dev/null");
}

void BM_AddAttachment(benchmark::State& state)
{
    const QString source = bench::randomFile(largePassports().dir.filePath("fifty.bin"), 50 << 20, 99);
    RecordTable files("FILES");
    files.addField("NAME", FieldType::String, 128);
    files.addField("CONTENT", FieldType::Blob);
    files.addField("DESCRIPTION", FieldType::String, 128);
    files.addField("SRCNAME", FieldType::String, 128);
    files.open();
    for (auto _ : state) {
        AddAttachment(files, "fifty.bin", source);
        state.PauseTiming();
        files.empty();
        state.ResumeTiming();
    }
}

// The parts of a save: the contour table's compressed block, and the attachments' raw block.
void BM_SaveBlock(benchmark::State& state)
{
    TDataModule2 m;
    m.DataModuleCreate(bench::binFolder());
    m.LoadPassport(largePassports().big);
    RecordTable& t = state.range(0) == 0 ? m.KONTUR : m.FILES;
    const TableStreamFormat& f =
        state.range(0) == 0 ? m.formats().kbmBinaryStreamFormat1 : m.formats().kbmBinaryStreamFormat2;
    for (auto _ : state) benchmark::DoNotOptimize(TableStreamBytes(t, f).size());
}

BENCHMARK(BM_Gzip9Attachment)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AddAttachment)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveBlock)->ArgName("files")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
