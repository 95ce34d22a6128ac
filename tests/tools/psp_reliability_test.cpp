// talvena-psp against what a hostile test broke: output that could not be written, files that
// must read back, names and links that must not lead astray. Each case is the reproduction that
// once gave a false success or lost data.
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "storage/gzip.h"
#include "support/file_bytes.h"
#include "support/short_of_space.h"
#include "tool_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <zlib.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace talvena {
namespace {

using testsupport::fileBytes;
using testsupport::writeFileBytes;

ProgramRun runToFullDisk(const QStringList& args)
{
    ensureApplication();
    QProcess p;
    p.setStandardOutputFile("/dev/full");
    p.start(besideTests("talvena-psp"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, {}, p.readAllStandardError()};
}

TEST(PspReliability, OutputThatCannotBeWrittenIsAFailure)
{
    QTemporaryDir tmp;
    const QList<QStringList> commands = {{"dump", kExample},
                                         {"contours", kExample},
                                         {"extract", kExample, tmp.filePath("extracted")},
                                         {"unpack", kExample, tmp.filePath("unpacked")},
                                         {"--help"}};
    for (const QStringList& args : commands) {
        const ProgramRun r = runToFullDisk(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("cannot write to standard output: No space left on device"))
            << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
}

} // namespace
} // namespace talvena

namespace talvena {
namespace {

TEST(PspReliability, AFileCutAtABlockEndOpensButSaysWhichTablesAreMissing)
{
    // Every cut at a block's end of the example, found by walking the lengths: it opens (older
    // files have fewer tables) and standard error names exactly the tables after the cut.
    const QByteArray whole = fileBytes(kExample);
    const char* names[] = {"PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR", "FILES"};
    QTemporaryDir tmp;
    qsizetype end = 9;
    for (int kept = 1; kept <= 5; ++kept) {
        end += 4 + qFromLittleEndian<int32_t>(whole.constData() + end);
        const QString cut = tmp.filePath(QStringLiteral("cut%1.psp").arg(kept));
        writeFileBytes(cut, whole.left(end));
        const ProgramRun r = run("talvena-psp", {"dump", cut});
        EXPECT_EQ(r.exitCode, 0) << kept << r.err.toStdString();
        QStringList missing;
        for (int i = kept; i < 5; ++i) missing << names[i];
        if (missing.isEmpty()) {
            EXPECT_EQ(r.err, "") << "the whole file";
        } else {
            EXPECT_TRUE(r.err.contains(("Файл кончается раньше " + QString(missing.size() == 1 ? "таблицы " : "таблиц ")
                                        + missing.join(", ") + ":").toUtf8()))
                << kept << ": " << r.err.toStdString();
        }
    }
    EXPECT_EQ(end, whole.size());
}

} // namespace
} // namespace talvena

namespace talvena {
namespace {

// A gzip member of `size` zero bytes, made in moments: a fully flushed deflate run of one chunk
// of zeros decodes on its own, so it is repeated; the CRC-32 is combined arithmetically.
QByteArray zerosMember(qint64 size)
{
    constexpr qint64 kChunk = 64 << 20;
    const QByteArray zeros(kChunk, '\0');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray chunk(kChunk / 500, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
    z.avail_in = uInt(kChunk);
    z.next_out = reinterpret_cast<Bytef*>(chunk.data());
    z.avail_out = uInt(chunk.size());
    deflate(&z, Z_FULL_FLUSH);
    chunk.resize(chunk.size() - z.avail_out);
    deflateEnd(&z);
    const uLong chunkCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.constData()), uInt(kChunk));
    QByteArray member = QByteArray::fromHex("1f8b0800000000000000");
    uLong crc = crc32(0, nullptr, 0);
    for (qint64 done = 0; done < size; done += kChunk) {
        member += chunk;
        crc = crc32_combine(crc, chunkCrc, kChunk);
    }
    member += QByteArray::fromHex("0300"); // the last block: empty, fixed codes
    char trailer[8];
    qToLittleEndian<quint32>(quint32(crc), trailer);
    qToLittleEndian<quint32>(quint32(size), trailer + 4);
    return member + QByteArray(trailer, 8);
}

QString passportWithMembers(const QTemporaryDir& tmp, const std::vector<std::pair<QByteArray, QByteArray>>& members)
{
    TDataModule2 module;
    module.DataModuleCreate(besideTests(""));
    writeFileBytes(tmp.filePath("source"), "x");
    for (const auto& [name, member] : members) {
        AddAttachment(module.FILES, name, tmp.filePath("source"));
        module.FILES.edit();
        module.FILES.fieldByName("CONTENT").setBytes(member);
        module.FILES.post();
    }
    const QString path = tmp.filePath("p.psp");
    module.SavePassport(path);
    return path;
}

TEST(PspReliability, AttachmentsAreJudgedByTheirMembersAndTheirTrailers)
{
    QTemporaryDir tmp;
    QByteArray text;
    for (int i = 0; text.size() < 100000; ++i) text += "строка " + QByteArray::number(i * 7919 % 10007) + '\n';
    QByteArray unsigned_ = CompressToGzip(text);
    unsigned_[0] = char(0x1E); // one flipped bit of the signature
    const qint64 nineGb = qint64(9) << 30;
    const QByteArray zeros = zerosMember(nineGb);
    ASSERT_LT(zeros.size(), 10 << 20);
    const QString passport = passportWithMembers(tmp, {{"unsigned.txt", unsigned_}, {"zeros.bin", zeros}});

    // dump: sizes and CRC-32 from the trailers (9 GB is 1 GB modulo 2^32), without decoding
    // 9 GB; the member without signature is damaged.
    const ProgramRun r = run("talvena-psp", {"dump", passport});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray files = QJsonDocument::fromJson(r.out).object().value("tables").toObject().value("FILES").toArray();
    ASSERT_EQ(files.size(), 2);
    const QJsonObject first = files[0].toObject().value("CONTENT").toObject();
    EXPECT_TRUE(first.value("damaged").toBool());
    const QJsonObject second = files[1].toObject().value("CONTENT").toObject();
    EXPECT_EQ(second.value("size").toInteger(), nineGb % (qint64(1) << 32));
    uLong crc = crc32(0, nullptr, 0);
    const QByteArray mib(1 << 20, '\0');
    for (int i = 0; i < 9 * 1024; ++i) crc = crc32_combine(crc, crc32(0, reinterpret_cast<const Bytef*>(mib.constData()), uInt(mib.size())), mib.size());
    EXPECT_EQ(second.value("crc32").toString(), QString::number(crc, 16).rightJustified(8, '0'));
    EXPECT_FALSE(second.contains("damaged"));

    // extract: the member without signature is decoded all the same and named damaged; the
    // 9 GB member does not fit a small disk and is refused before a byte is written.
    testsupport::ShortOfSpace disk;
    if (disk.how() != "tmpfs") GTEST_SKIP() << "needs a small disk of its own (root)";
    const ProgramRun x = run("talvena-psp", {"extract", passport, disk.folder()});
    EXPECT_EQ(x.exitCode, 1);
    EXPECT_EQ(x.out, (disk.folder() + "/unsigned.txt\n").toUtf8());
    EXPECT_EQ(fileBytes(disk.folder() + "/unsigned.txt"), text);
    EXPECT_TRUE(x.err.contains(("damaged \"" + disk.folder() + "/unsigned.txt\"").toUtf8())) << x.err.toStdString();
    EXPECT_TRUE(x.err.contains(("not written \"" + disk.folder() + "/zeros.bin\": Stream write error (Недостаточно места на диске.)").toUtf8()))
        << x.err.toStdString();
    EXPECT_EQ(disk.entries(), QStringList{"unsigned.txt"});
}

} // namespace
} // namespace talvena
