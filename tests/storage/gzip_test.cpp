#include "storage/gzip.h"
#include "support/gzip_test_data.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdint>

using namespace talvena;

namespace {

const QByteArray kAbcMember = QByteArray::fromHex("1f8b08000000000000004b4c4a0600c241243503000000");
const QByteArray kEmptyMember = QByteArray::fromHex("1f8b08000000000000000300" "0000000000000000");
const QByteArray kHeader = QByteArray::fromHex("1f8b0800000000000000");

// Text-like lines interleaved with incompressible runs, the same on every run.
QByteArray mixedData(qsizetype size)
{
    static const char* const words[] = {"KONTUR", "horizon", "0.125", "Passport", "well", "-3712.5",
                                        "TPF0", "reserves", "oil", "gas", "1998", "basin"};
    testsupport::RepeatableNumbers next(0x9E3779B97F4A7C15ull);
    QByteArray data;
    data.reserve(size);
    while (data.size() < size) {
        if (next() % 4 == 0) {
            for (int i = 0; i < 3000; ++i)
                data.append(char(next()));
        } else {
            for (int i = 0; i < 400; ++i)
                data.append(words[next() % std::size(words)]).append(i % 9 == 8 ? '\n' : ' ');
        }
    }
    data.truncate(size);
    return data;
}

std::string hex(const QByteArray& bytes) { return bytes.toHex(' ').toStdString(); }

using testsupport::compressViaDevices;

int decompressViaDevices(const QByteArray& member, QByteArray& result)
{
    QByteArray input = member;
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    result.clear();
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    return DecompressGzip(in, out);
}

// The member with the given flag byte and optional fields spliced into its header.
QByteArray withHeaderFields(const QByteArray& member, char flags, const QByteArray& fields)
{
    QByteArray result = member;
    result[3] = flags;
    result.insert(10, fields);
    return result;
}

// A device that records the size of every read and write asked of it.
class RecordingBuffer : public QBuffer {
public:
    qint64 largestRead = 0;
    qint64 largestWrite = 0;

protected:
    qint64 readData(char* data, qint64 size) override
    {
        largestRead = std::max(largestRead, size);
        return QBuffer::readData(data, size);
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        largestWrite = std::max(largestWrite, size);
        return QBuffer::writeData(data, size);
    }
};

QString gzipProgram()
{
    const QString path = QStandardPaths::findExecutable("gzip");
    EXPECT_FALSE(path.isEmpty()) << "GNU gzip is not installed";
    return path;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

} // namespace

TEST(Gzip, WritesExactMembers)
{
    EXPECT_EQ(hex(CompressToGzip(QByteArray("abc"))), hex(kAbcMember));
    EXPECT_EQ(hex(compressViaDevices("abc")), hex(kAbcMember));
    EXPECT_EQ(hex(CompressToGzip(QByteArray())), hex(kEmptyMember));
    EXPECT_EQ(hex(compressViaDevices(QByteArray())), hex(kEmptyMember));
}

TEST(Gzip, HeaderNeverVaries)
{
    for (const QByteArray& data : {QByteArray(), QByteArray(1, '\0'), mixedData(100000), QByteArray(70000, 'x')}) {
        const QByteArray member = CompressToGzip(data);
        EXPECT_EQ(hex(member.left(10)), hex(kHeader));
        const auto storedLength = qFromLittleEndian<quint32>(member.constData() + member.size() - 4);
        EXPECT_EQ(storedLength, quint32(data.size()));
    }
}

TEST(Gzip, RoundTripsAcrossPieceBorders)
{
    for (qsizetype size : {0, 1, 16383, 16384, 16385, 3 * 16384 + 7}) {
        const QByteArray data = mixedData(size);
        QByteArray decoded;
        EXPECT_EQ(decompressViaDevices(compressViaDevices(data), decoded), GzipOk) << size;
        EXPECT_EQ(decoded, data) << size;
        EXPECT_EQ(DecompressGzip(CompressToGzip(data), decoded), GzipOk) << size;
        EXPECT_EQ(decoded, data) << size;
    }
}

TEST(Gzip, RoundTripsSeveralMegabytes)
{
    const QByteArray data = mixedData(5 * 1024 * 1024 + 333);
    const QByteArray member = CompressToGzip(data);
    EXPECT_LT(member.size(), data.size());
    EXPECT_EQ(compressViaDevices(data), member);
    QByteArray decoded;
    EXPECT_EQ(decompressViaDevices(member, decoded), GzipOk);
    EXPECT_EQ(decoded, data);
}

TEST(Gzip, MovesDataInPiecesOfAtMost16K)
{
    const QByteArray data = mixedData(1024 * 1024);
    RecordingBuffer in;
    in.setData(data);
    in.open(QIODevice::ReadOnly);
    RecordingBuffer member;
    member.open(QIODevice::ReadWrite);
    ASSERT_EQ(CompressToGzip(in, member), GzipOk);
    EXPECT_LE(in.largestRead, 16384);
    EXPECT_LE(member.largestWrite, 16384);

    member.seek(0);
    RecordingBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_EQ(DecompressGzip(member, out), GzipOk);
    EXPECT_LE(member.largestRead, 16384);
    EXPECT_LE(out.largestWrite, 16384);
    EXPECT_EQ(out.data(), data);
}

TEST(Gzip, WorksFromTheDevicesCurrentPositions)
{
    QByteArray source = "skipped|payload";
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    in.seek(8);
    QByteArray stored = "prefix";
    QBuffer out(&stored);
    out.open(QIODevice::ReadWrite);
    out.seek(stored.size());
    ASSERT_EQ(CompressToGzip(in, out), GzipOk);
    EXPECT_TRUE(stored.startsWith("prefix"));
    EXPECT_EQ(stored.mid(6), CompressToGzip(QByteArray("payload")));

    out.seek(6);
    QByteArray decoded = "kept:";
    QBuffer target(&decoded);
    target.open(QIODevice::ReadWrite);
    target.seek(decoded.size());
    ASSERT_EQ(DecompressGzip(out, target), GzipOk);
    EXPECT_EQ(decoded, "kept:payload");
}

TEST(Gzip, PassesNonGzipInputThrough)
{
    const QByteArray tableStream = QByteArray("TPF0\x03\xFB\x00\x01", 8) + mixedData(40000);
    for (const QByteArray& input : {tableStream, QByteArray("\x1F"), QByteArray("\x1F\x8C rest"), QByteArray()}) {
        QByteArray decoded = "stale";
        EXPECT_EQ(DecompressGzip(input, decoded), GzipOk);
        EXPECT_EQ(decoded, input);
        EXPECT_EQ(decompressViaDevices(input, decoded), GzipOk);
        EXPECT_EQ(decoded, input);
    }
}

TEST(Gzip, ChecksumMismatchKeepsFullOutput)
{
    const QByteArray data = mixedData(50000);
    const QByteArray member = CompressToGzip(data);
    for (qsizetype offset : {member.size() - 8, member.size() - 1}) { // CRC, then length
        QByteArray damaged = member;
        damaged[offset] = char(damaged[offset] ^ 0x01);
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(damaged, decoded), GzipChecksumMismatch);
        EXPECT_EQ(decoded, data);
    }
}

TEST(Gzip, SkipsOptionalHeaderFields)
{
    const QByteArray data = mixedData(20000);
    const QByteArray member = CompressToGzip(data);
    const QByteArray named = withHeaderFields(member, 0x08, QByteArray("passport.tpf", 13));
    const QByteArray everything = withHeaderFields(
        member, 0x1E, QByteArray("\x03\x00XYZ", 5) + QByteArray("name\0comment\0", 13) + "\xAB\xCD");
    for (const QByteArray& variant : {named, everything}) {
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(variant, decoded), GzipOk);
        EXPECT_EQ(decoded, data);
    }
}

TEST(Gzip, TruncatedMemberKeepsOutputUpToTheEnd)
{
    const QByteArray data = mixedData(200000);
    const QByteArray member = CompressToGzip(data);
    for (qsizetype length : {qsizetype(3), qsizetype(12), member.size() / 2, member.size() - 8, member.size() - 3}) {
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(member.left(length), decoded), GzipTruncated) << length;
        EXPECT_TRUE(data.startsWith(decoded)) << length;
        if (length >= member.size() - 8) {
            EXPECT_EQ(decoded.size(), data.size()) << length;
        }
        if (length == member.size() / 2) {
            EXPECT_GT(decoded.size(), data.size() / 4);
        }
    }
}

TEST(Gzip, RejectsBadHeaderBeforeAnyOutput)
{
    const QByteArray member = CompressToGzip(mixedData(1000));
    for (char flag : {'\x20', '\x40', '\x80'}) {
        QByteArray damaged = member;
        damaged[3] = flag;
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(damaged, decoded), GzipBadHeader);
        EXPECT_TRUE(decoded.isEmpty());
    }
    QByteArray otherMethod = member;
    otherMethod[2] = 7;
    QByteArray decoded;
    EXPECT_EQ(DecompressGzip(otherMethod, decoded), GzipBadHeader);
    EXPECT_TRUE(decoded.isEmpty());
}

TEST(Gzip, CorruptDeflateDataKeepsOutputUpToTheDamage)
{
    // A stored block "hello" (not final), then a block of the invalid type 3.
    const QByteArray member = kHeader + QByteArray("\x00\x05\x00\xFA\xFFhello\x07", 11) + QByteArray(8, '\0');
    QByteArray decoded;
    EXPECT_EQ(DecompressGzip(member, decoded), GzipCorruptData);
    EXPECT_EQ(decoded, "hello");
}

TEST(Gzip, IgnoresInputAfterTheFirstMember)
{
    QByteArray decoded;
    EXPECT_EQ(DecompressGzip(kAbcMember + kAbcMember + "junk", decoded), GzipOk);
    EXPECT_EQ(decoded, "abc");
}

TEST(Gzip, ReportsDeviceFailures)
{
    QByteArray data = mixedData(1000);
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(CompressToGzip(in, readOnly), GzipWriteFailure);

    QByteArray member = CompressToGzip(data);
    QBuffer memberIn(&member);
    memberIn.open(QIODevice::ReadOnly);
    EXPECT_EQ(DecompressGzip(memberIn, readOnly), GzipWriteFailure);

    QBuffer closed;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(DecompressGzip(closed, out), GzipReadFailure);
}

TEST(Gzip, OutputLimitStopsExpansion)
{
    const QByteArray bomb = CompressToGzip(QByteArray(4 * 1024 * 1024, '\0'));
    QByteArray decoded;
    EXPECT_EQ(DecompressGzip(bomb, decoded, 100000), GzipOutputTooLarge);
    EXPECT_EQ(decoded.size(), 100000);
    EXPECT_EQ(DecompressGzip(bomb, decoded, 4 * 1024 * 1024), GzipOk);
}

TEST(Gzip, DecodesIntoItsOwnInput)
{
    QByteArray buffer = kAbcMember;
    EXPECT_EQ(DecompressGzip(buffer, buffer), GzipOk);
    EXPECT_EQ(buffer, "abc");
}

TEST(Gzip, InteroperatesWithGnuGzip)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray data = mixedData(300000);

    writeFile(dir.filePath("ours.gz"), CompressToGzip(data));
    QProcess gunzip;
    gunzip.start(gzipProgram(), {"-dc", dir.filePath("ours.gz")});
    ASSERT_TRUE(gunzip.waitForFinished(60000));
    EXPECT_EQ(gunzip.exitCode(), 0) << gunzip.readAllStandardError().toStdString();
    EXPECT_EQ(gunzip.readAllStandardOutput(), data);

    writeFile(dir.filePath("table.tpf"), data);
    QProcess gzip;
    gzip.start(gzipProgram(), {"-9", "-k", dir.filePath("table.tpf")});
    ASSERT_TRUE(gzip.waitForFinished(60000));
    ASSERT_EQ(gzip.exitCode(), 0);
    QFile theirs(dir.filePath("table.tpf.gz"));
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    ASSERT_EQ(theirs.peek(4).at(3) & 0x08, 0x08); // carries the file name
    QFile decodedFile(dir.filePath("decoded"));
    ASSERT_TRUE(decodedFile.open(QIODevice::ReadWrite));
    EXPECT_EQ(DecompressGzip(theirs, decodedFile), GzipOk);
    decodedFile.seek(0);
    EXPECT_EQ(decodedFile.readAll(), data);
}
