// A big passport (200 MB of incompressible attachments, 100,000 contour points) opened and saved,
// side by side with reading and copying the same file with cat and cp; adding a 50 MB attachment
// side by side with gzip -9 of the same file.
#include "model/attachment_store.h"
#include "model/data_module.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <random>

using namespace talvena;

namespace {

QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

QString randomFile(const QString& path, qint64 size, uint32_t seed)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    std::mt19937_64 gen(seed);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < size; done += chunk.size()) {
        auto* words = reinterpret_cast<uint64_t*>(chunk.data());
        for (qsizetype i = 0; i < chunk.size() / 8; ++i) words[i] = gen();
        f.write(chunk.constData(), std::min<qint64>(chunk.size(), size - done));
    }
    return path;
}

// Made once and kept in the temporary folder between runs: building it compresses 200 MB.
struct BigPassport {
    QTemporaryDir dir;
    QString file = QDir::temp().filePath("talvena-bench-big.psp");
    BigPassport()
    {
        if (QFileInfo::exists(file)) return;
        TDataModule2 m;
        m.DataModuleCreate(binFolder());
        m.CommitPendingEdits();
        for (int i = 0; i < 4; ++i)
            AddAttachment(m.FILES, "Geo" + QByteArray::number(i + 1) + ".bin",
                          randomFile(dir.filePath("a.bin"), 50 << 20, i + 1));
        for (int h = 0; h < 100; ++h) {
            m.POSIB_PRODUCT_HOR.append();
            m.POSIB_PRODUCT_HOR.fieldByName("STRATIGRSVIT").setString("H" + QByteArray::number(h));
            m.POSIB_PRODUCT_HOR.post();
            for (int p = 0; p < 1000; ++p) {
                m.KONTUR.append();
                m.KONTUR.fieldByName("X").setFloat(76.5 + 0.001 * p);
                m.KONTUR.fieldByName("Y").setFloat(58.5 + 0.0007 * p);
                m.KONTUR.post();
            }
        }
        m.SavePassport(file);
    }
};

BigPassport& big()
{
    static BigPassport b;
    return b;
}

void runShell(benchmark::State& state, const QString& command)
{
    for (auto _ : state)
        if (std::system(command.toLocal8Bit().constData()) != 0) state.SkipWithError("command failed");
}

void BM_CatPassport(benchmark::State& state) { runShell(state, "cat '" + big().file + "' > /dev/null"); }
void BM_CpPassport(benchmark::State& state)
{
    runShell(state, "cp '" + big().file + "' '" + big().dir.filePath("copy.psp") + "'");
}

void BM_OpenPassport(benchmark::State& state)
{
    TDataModule2 m;
    m.DataModuleCreate(binFolder());
    for (auto _ : state) m.LoadPassport(big().file);
    state.counters["MB"] = QFileInfo(big().file).size() / 1e6;
}

void BM_SavePassport(benchmark::State& state)
{
    TDataModule2 m;
    m.DataModuleCreate(binFolder());
    m.LoadPassport(big().file);
    const QString target = big().dir.filePath("saved.psp");
    for (auto _ : state) m.SavePassport(target);
}

void BM_Gzip9Attachment(benchmark::State& state)
{
    const QString source = randomFile(big().dir.filePath("fifty.bin"), 50 << 20, 99);
    runShell(state, "gzip -9 -c '" + source + "' > /dev/null");
}

void BM_AddAttachment(benchmark::State& state)
{
    const QString source = randomFile(big().dir.filePath("fifty.bin"), 50 << 20, 99);
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

BENCHMARK(BM_CatPassport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_OpenPassport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CpPassport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SavePassport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Gzip9Attachment)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AddAttachment)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

namespace {
// The parts of a save: the contour table's compressed block, and the attachments' raw block.
void BM_SaveBlock(benchmark::State& state)
{
    TDataModule2 m;
    m.DataModuleCreate(binFolder());
    m.LoadPassport(big().file);
    RecordTable& t = state.range(0) == 0 ? m.KONTUR : m.FILES;
    const TableStreamFormat& f = state.range(0) == 0 ? m.formats().kbmBinaryStreamFormat1 : m.formats().kbmBinaryStreamFormat2;
    for (auto _ : state) benchmark::DoNotOptimize(TableStreamBytes(t, f).size());
}
BENCHMARK(BM_SaveBlock)->ArgName("files")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
} // namespace
