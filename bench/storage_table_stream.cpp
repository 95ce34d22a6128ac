// Table streams of a million contour points (ID, HEAD_ID, X, Y): writing and reading through both
// formats, and the parts of the work (serialising, gzip, parsing, the table's bulk load) apart.
#include "storage/gzip.h"
#include "storage/table_stream.h"
#include "contour_table.h"

#include <benchmark/benchmark.h>

#include <QBuffer>

#include <cstdint>
#include <memory>
#include <vector>

using namespace talvena;

namespace {

constexpr int kRecords = 1'000'000;

// Points of contours around 7000 km north, 500 km east, 50 points per contour.
std::unique_ptr<RecordTable> makeContourTable()
{
    auto t = emptyContourTable();
    uint64_t state = 12345;
    auto uniform = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return double(state >> 11) / double(uint64_t{1} << 53);
    };
    std::vector<Value> values(4);
    t->beginLoad();
    for (int i = 0; i < kRecords; ++i) {
        values[0] = Value::integer(i + 1);
        values[1] = Value::integer(i / 50 + 1);
        values[2] = Value::real(7'000'000.0 + uniform() * 100'000.0);
        values[3] = Value::real(500'000.0 + uniform() * 100'000.0);
        t->loadRecord(values, 0);
    }
    t->endLoad();
    return t;
}

RecordTable& contourTable()
{
    static const std::unique_ptr<RecordTable> table = makeContourTable();
    return *table;
}

TableStreamFormat formatOf(const benchmark::State& state)
{
    const TableStreamFormats formats;
    return state.range(0) == 1 ? formats.kbmBinaryStreamFormat1 : formats.kbmBinaryStreamFormat2;
}

void BM_WriteTableStream(benchmark::State& state)
{
    RecordTable& table = contourTable();
    const TableStreamFormat format = formatOf(state);
    qsizetype size = 0;
    for (auto _ : state) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        WriteTableStream(table, buffer, format);
        size = out.size();
    }
    state.counters["bytes"] = double(size);
}
// Format 1 is dominated by level-9 deflate (see BM_GzipOfStream), so it runs once.
BENCHMARK(BM_WriteTableStream)->ArgName("format")->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WriteTableStream)->ArgName("format")->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadTableStream(benchmark::State& state)
{
    const TableStreamFormat format = formatOf(state);
    const QByteArray bytes = TableStreamBytes(contourTable(), format);
    for (auto _ : state) {
        RecordTable table("KONTUR");
        ReadTableStream(table, bytes, format);
        benchmark::DoNotOptimize(table.storedCount());
    }
}
BENCHMARK(BM_ReadTableStream)->ArgName("format")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

// The parts: gzip alone on the uncompressed stream, both directions.
void BM_GzipOfStream(benchmark::State& state)
{
    const QByteArray plain = TableStreamBytes(contourTable(), TableStreamFormats().kbmBinaryStreamFormat2);
    for (auto _ : state) benchmark::DoNotOptimize(CompressToGzip(plain));
}
BENCHMARK(BM_GzipOfStream)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GunzipOfStream(benchmark::State& state)
{
    const QByteArray member = TableStreamBytes(contourTable(), TableStreamFormats().kbmBinaryStreamFormat1);
    for (auto _ : state) {
        QByteArray out;
        DecompressGzip(member, out);
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_GunzipOfStream)->Unit(benchmark::kMillisecond)->Iterations(3);

// The table's bulk load alone, with the values the reader hands it.
void BM_BulkLoadOnly(benchmark::State& state)
{
    std::vector<Value> values(4);
    for (auto _ : state) {
        RecordTable t("KONTUR");
        t.addField("ID", FieldType::Integer, 0, true);
        t.addField("HEAD_ID", FieldType::Integer);
        t.addField("X", FieldType::Float);
        t.addField("Y", FieldType::Float);
        t.beginLoad();
        for (int i = 0; i < kRecords; ++i) {
            values[0] = Value::integer(i + 1);
            values[1] = Value::integer(i / 50 + 1);
            values[2] = Value::real(7'000'000.5);
            values[3] = Value::real(500'000.5);
            t.loadRecord(values, 0);
        }
        t.endLoad();
        benchmark::DoNotOptimize(t.storedCount());
    }
}
BENCHMARK(BM_BulkLoadOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
