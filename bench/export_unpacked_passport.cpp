// The unpacked passport of a large passport through the whole export (the data module's texts,
// the table writer, the files): 50 productive horizons with every counting parameter filled and
// 1,000 contour points each, in degrees, minutes and seconds. The 15 tables through the built-in
// writer and through LibreOffice; the attachments side by side with gzip -dc of the same members.
#include "export/export_session.h"
#include "export/unpacked_passport.h"
#include "model/data_module.h"
#include "storage/gzip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace talvena;

namespace {

constexpr int kHorizons = 50;
constexpr int kPointsPerHorizon = 1'000;
constexpr int kReflecting = 10;

QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "bench_export";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Every data field of a horizon table filled: numbers for numbers, a short text for texts.
void loadHorizons(RecordTable& t, int count, const std::function<Value(const Field&, int)>& special)
{
    t.beginLoad();
    for (int i = 1; i <= count; ++i) {
        std::vector<Value> values;
        for (int f = 0; f < t.fieldCount(); ++f) {
            const Field& field = t.field(f);
            if (!field.isData()) continue;
            Value v = special(field, i);
            if (v.isNull() && field.valueClass() == ValueClass::Real) v = Value::real(0.1 + i * 1.37 + f * 0.013);
            if (v.isNull() && field.type() == FieldType::String)
                v = Value::bytes("\xD2\xE5\xEA\xF1\xF2 " + QByteArray::number(i)); // "Текст i"
            values.push_back(v);
        }
        t.loadRecord(values, 0);
    }
    t.endLoad();
}

std::unique_ptr<TDataModule2> largePassport()
{
    auto m = std::make_unique<TDataModule2>();
    m->DataModuleCreate(binFolder());
    m->PASPORTS.fieldByName("OBJECTNAME").setString("Bench");
    m->PASPORTS.post();
    loadHorizons(m->REFLECT_HORIZONTS, kReflecting, [](const Field& f, int i) {
        if (f.name() == "ID") return Value::integer(1000 + i);
        if (f.name() == "SCALE") return Value::integer(50000);
        return Value();
    });
    loadHorizons(m->POSIB_PRODUCT_HOR, kHorizons, [](const Field& f, int i) {
        if (f.name() == "ID") return Value::integer(i);
        if (f.name() == "KONTURKOORDTYPE") return Value::integer(1);
        if (f.name() == "KONTURNUMPOINTS") return Value::integer(kPointsPerHorizon);
        if (f.name() == "UV_ID") return Value::integer(886);
        if (f.name() == "REFLECTHOR_ID") return Value::integer(1001);
        if (f.valueClass() == ValueClass::Integer) return Value::integer(0);
        return Value();
    });
    RecordTable& k = m->KONTUR;
    k.beginLoad();
    for (int i = 0; i < kHorizons * kPointsPerHorizon; ++i) {
        std::vector<Value> values{Value::integer(i + 1), Value::integer(1 + i / kPointsPerHorizon),
                                  Value::real(76 + i * 1.3e-5), Value::real(58 + i * 0.7e-5)};
        k.loadRecord(values, 0);
    }
    k.endLoad();
    m->POSIB_PRODUCT_HOR.first();
    return m;
}

void exportInto(TDataModule2& m, PreferredProgram program, const QString& folder)
{
    ExportSession session;
    UnpackedPassportOptions options;
    options.directory = folder;
    options.program = program;
    WriteUnpackedPassport(m, session, options);
}

void BM_Unpack_15Tables_BuiltInWriter(benchmark::State& state)
{
    ensureApplication();
    const auto m = largePassport();
    QTemporaryDir dir;
    for (auto _ : state) exportInto(*m, PreferredProgram::Excel, dir.path());
}
BENCHMARK(BM_Unpack_15Tables_BuiltInWriter)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// One start of LibreOffice converts all 15 documents.
void BM_Unpack_15Tables_LibreOffice(benchmark::State& state)
{
    ensureApplication();
    const auto m = largePassport();
    QTemporaryDir dir;
    for (auto _ : state) {
        if (ExportSession().libreOfficeAvailable()) {
            exportInto(*m, PreferredProgram::Calc, dir.path());
        } else {
            state.SkipWithError("LibreOffice is not installed");
            return;
        }
    }
}
BENCHMARK(BM_Unpack_15Tables_LibreOffice)->Unit(benchmark::kSecond)->Iterations(1);

// Attachments as passports carry them: pictures and PDFs that do not compress, and texts that do.
struct Attachments {
    QTemporaryDir dir;
    std::vector<std::pair<QByteArray, QByteArray>> members; // stored name, gzip member
    qint64 bytes = 0;

    Attachments()
    {
        std::mt19937_64 gen(7);
        for (int i = 0; i < 4; ++i) {
            QByteArray data(16 << 20, Qt::Uninitialized);
            if (i % 2 == 0) {
                auto* words = reinterpret_cast<uint64_t*>(data.data());
                for (qsizetype w = 0; w < data.size() / 8; ++w) words[w] = gen();
            } else {
                QByteArray line;
                for (qsizetype done = 0; done < data.size(); done += line.size()) {
                    line = "Скважина " + QByteArray::number(qulonglong(gen() % 100000)) + "; глубина " +
                           QByteArray::number(qulonglong(gen() % 5000)) + " м\n";
                    data.replace(done, std::min(line.size(), data.size() - done), line.left(data.size() - done));
                }
            }
            bytes += data.size();
            members.push_back({"Geo" + QByteArray::number(i + 1) + ".bin", CompressToGzip(data)});
            QFile gz(dir.filePath(QStringLiteral("m%1.gz").arg(i)));
            gz.open(QIODevice::WriteOnly);
            gz.write(members.back().second);
        }
    }
};

Attachments& attachments()
{
    static Attachments a;
    return a;
}

void BM_Unpack_Attachments(benchmark::State& state)
{
    ensureApplication();
    Attachments& a = attachments();
    TDataModule2 m;
    m.DataModuleCreate(binFolder());
    m.PASPORTS.fieldByName("OBJECTNAME").setString("Bench");
    m.PASPORTS.post();
    for (const auto& [name, member] : a.members) {
        m.FILES.append();
        m.FILES.fieldByName("NAME").setString(name);
        m.FILES.fieldByName("CONTENT").setBytes(member);
        m.FILES.post();
    }
    QTemporaryDir dir;
    for (auto _ : state) exportInto(m, PreferredProgram::Excel, dir.path());
    state.SetBytesProcessed(state.iterations() * a.bytes);
}
BENCHMARK(BM_Unpack_Attachments)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

// The same members decompressed into files by gzip -dc.
void BM_GzipDc_SameMembers(benchmark::State& state)
{
    ensureApplication();
    Attachments& a = attachments();
    QTemporaryDir dir;
    for (auto _ : state) {
        for (size_t i = 0; i < a.members.size(); ++i) {
            QProcess gzip;
            gzip.setStandardOutputFile(dir.filePath(QStringLiteral("out%1.bin").arg(i)));
            gzip.start("gzip", {"-dc", a.dir.filePath(QStringLiteral("m%1.gz").arg(i))});
            gzip.waitForFinished(-1);
        }
    }
    state.SetBytesProcessed(state.iterations() * a.bytes);
}
BENCHMARK(BM_GzipDc_SameMembers)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

} // namespace
