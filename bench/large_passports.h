#pragma once
// The large passport files the model benchmarks open and save, made once and kept in the
// temporary folder between runs (making them compresses hundreds of megabytes):
// - "big": 200 MB of incompressible attachments (four of 50 MB) and 100,000 contour points;
// - "million": 1,000 reflecting and 1,000 productive horizons with 1,000,000 contour points.
#include "model/attachment_store.h"
#include "model/data_module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <random>
#include <vector>

namespace bench {

using namespace talvena;

inline QString binFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

inline QString randomFile(const QString& path, qint64 size, uint32_t seed)
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

// Appends records without their events, every data field NULL unless given.
inline void loadRows(RecordTable& t, int count, const std::function<void(int row, std::vector<Value>&)>& fill)
{
    std::vector<int> dataIndex;
    for (int f = 0; f < t.fieldCount(); ++f)
        if (t.field(f).isData()) dataIndex.push_back(f);
    t.beginLoad();
    std::vector<Value> values;
    for (int i = 0; i < count; ++i) {
        values.assign(dataIndex.size(), Value());
        fill(i, values);
        t.loadRecord(values, 0);
    }
    t.endLoad();
}

// The position among the values loadRows hands out of a field.
inline size_t dataPosition(const RecordTable& t, const char* name)
{
    size_t position = 0;
    for (int f = 0; f < t.fieldCount(); ++f) {
        if (t.field(f).name() == name) return position;
        if (t.field(f).isData()) ++position;
    }
    return position;
}

struct LargePassports {
    QTemporaryDir dir; // scratch space of the benchmarks, beside the saved copies
    QString big = QDir::temp().filePath("talvena-bench-big.psp");
    QString million = QDir::temp().filePath("talvena-bench-million.psp");

    LargePassports()
    {
        if (!QFileInfo::exists(big)) makeBig();
        if (!QFileInfo::exists(million)) makeMillion();
    }

    void makeBig()
    {
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
        m.SavePassport(big);
    }

    void makeMillion()
    {
        TDataModule2 m;
        m.DataModuleCreate(binFolder());
        fillMillion(m);
        m.SavePassport(million);
    }

    // The "million" passport in a data module made over the dictionaries, without a file.
    static void fillMillion(TDataModule2& m)
    {
        constexpr int kHorizons = 1'000, kPoints = 1'000'000;
        m.PASPORTS.fieldByName("OBJECTNAME").setString("Million points");
        m.PASPORTS.post();
        RecordTable& r = m.REFLECT_HORIZONTS;
        const size_t rId = dataPosition(r, "ID"), rIndex = dataPosition(r, "INDEXOG");
        loadRows(r, kHorizons, [&](int i, std::vector<Value>& v) {
            v[rId] = Value::integer(i + 1);
            v[rIndex] = Value::bytes("OG" + QByteArray::number(i + 1));
        });
        RecordTable& h = m.POSIB_PRODUCT_HOR;
        const size_t hId = dataPosition(h, "ID"), hName = dataPosition(h, "STRATIGRSVIT"),
                     hType = dataPosition(h, "KONTURKOORDTYPE"), hCount = dataPosition(h, "KONTURNUMPOINTS"),
                     hReflect = dataPosition(h, "REFLECTHOR_ID");
        loadRows(h, kHorizons, [&](int i, std::vector<Value>& v) {
            v[hId] = Value::integer(i + 1);
            v[hName] = Value::bytes("H" + QByteArray::number(i + 1));
            v[hType] = Value::integer(2);
            v[hCount] = Value::integer(kPoints / kHorizons);
            v[hReflect] = Value::integer(i + 1);
        });
        // Points along a wavy outline, as digitized contours are: no two alike.
        loadRows(m.KONTUR, kPoints, [&](int i, std::vector<Value>& v) {
            const int horizon = i / (kPoints / kHorizons);
            const double t = (i % (kPoints / kHorizons)) * 6.283185307179586 / (kPoints / kHorizons);
            v[0] = Value::integer(i);
            v[1] = Value::integer(horizon + 1);
            v[2] = Value::real(60 + horizon * 0.01 + 0.05 * std::cos(t) + 0.003 * std::sin(7 * t));
            v[3] = Value::real(55 + horizon * 0.007 + 0.04 * std::sin(t) + 0.002 * std::cos(5 * t));
        });
    }
};

inline LargePassports& largePassports()
{
    static LargePassports p;
    return p;
}

} // namespace bench
