// Members deflated in pieces: the same bytes whatever the number of threads and whichever way the
// input arrives, one member that GNU gzip tests and decodes, and the check that tells our members
// of a stream from any other bytes.
#include "storage/gzip.h"
#include "storage/gzip_pieces.h"
#include "support/gzip_test_data.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdint>
#include <zlib.h>

using namespace talvena;

namespace {

// Contour-like records with runs of noise, the same on every run.
QByteArray streamLike(qsizetype size, uint64_t seed = 7)
{
    testsupport::RepeatableNumbers next(seed * 0x9E3779B97F4A7C15ull + 1);
    QByteArray data;
    data.reserve(size + 64);
    while (data.size() < size) {
        if (next() % 8 == 0) {
            for (int i = 0; i < 700; ++i) data.append(char(next()));
        } else {
            data.append("\x01\x02\x00\x08\x04", 5);
            data.append(QByteArray::number(qulonglong(next() % 100000)));
            data.append("\x08\x05", 2).append(QByteArray::number(76.5 + double(next() % 1000) / 7919.0, 'f', 9));
        }
    }
    data.truncate(size);
    return data;
}

QByteArray viaDevices(const QByteArray& data) { return testsupport::compressViaDevices(data); }

QByteArray withThreads(const QByteArray& data, int threads)
{
    GzipPieceCompressor compressor(threads);
    QByteArray member;
    EXPECT_EQ(compressor.finish(compressor.start(data), member), GzipOk);
    return member;
}

QString gzipProgram()
{
    const QString path = QStandardPaths::findExecutable("gzip");
    EXPECT_FALSE(path.isEmpty()) << "GNU gzip is not installed";
    return path;
}

const qsizetype kPiece = kGzipPieceSize;

} // namespace

TEST(GzipPieces, SameBytesWhateverTheThreadsAndThePath)
{
    for (qsizetype size : {qsizetype(0), qsizetype(1), kPiece - 1, kPiece, kPiece + 1, 2 * kPiece, 3 * kPiece + 7,
                           qsizetype(1) << 20}) {
        const QByteArray data = streamLike(size);
        const QByteArray member = CompressToGzip(data);
        for (int threads : {0, 1, 2, 5}) EXPECT_EQ(withThreads(data, threads), member) << size << " " << threads;
        EXPECT_EQ(viaDevices(data), member) << size;
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(member, decoded), GzipOk) << size;
        EXPECT_EQ(decoded, data) << size;
        EXPECT_EQ(qFromLittleEndian<quint32>(member.constData() + member.size() - 4), quint32(size));
    }
}

TEST(GzipPieces, OnePieceIsExactlyASingleDeflateStream)
{
    const QByteArray data = streamLike(kPiece);
    z_stream s{};
    ASSERT_EQ(deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray raw(int(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(raw.data());
    s.avail_out = uInt(raw.size());
    ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    raw.truncate(int(s.total_out));
    deflateEnd(&s);
    const QByteArray member = CompressToGzip(data);
    EXPECT_EQ(member.mid(10, raw.size()), raw);
    EXPECT_EQ(member.size(), 10 + raw.size() + 8);
}

TEST(GzipPieces, SeveralMembersSideBySideComeBackEachWhole)
{
    GzipPieceCompressor compressor(2);
    std::vector<QByteArray> inputs;
    std::vector<GzipPieceCompressor::Ticket> tickets;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(streamLike(i * 300000 + 11, uint64_t(i + 1)));
        tickets.push_back(compressor.start(inputs.back()));
    }
    // Taken in another order than started.
    for (int i : {2, 0, 3, 1}) {
        QByteArray member;
        ASSERT_EQ(compressor.finish(tickets[size_t(i)], member), GzipOk);
        EXPECT_EQ(member, CompressToGzip(inputs[size_t(i)])) << i;
    }
    QByteArray again;
    EXPECT_NE(compressor.finish(tickets[0], again), GzipOk) << "a member is taken once";
    // Started and dropped: the destructor stops the work and joins the threads.
    GzipPieceCompressor dropped(2);
    dropped.start(streamLike(4 << 20));
}

TEST(GzipPieces, GnuGzipTestsAndDecodesTheMembers)
{
    QTemporaryDir dir;
    for (qsizetype size : {kPiece + 1, 5 * kPiece + 333, qsizetype(3) << 20}) {
        const QByteArray data = streamLike(size, uint64_t(size));
        const QString path = dir.filePath(QString::number(size) + ".gz");
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(CompressToGzip(data));
        }
        QProcess test;
        test.start(gzipProgram(), {"-t", path});
        ASSERT_TRUE(test.waitForFinished(60000));
        EXPECT_EQ(test.exitCode(), 0) << size << test.readAllStandardError().toStdString();
        QProcess decode;
        decode.start(gzipProgram(), {"-dc", path});
        ASSERT_TRUE(decode.waitForFinished(60000));
        EXPECT_EQ(decode.exitCode(), 0);
        EXPECT_TRUE(decode.readAllStandardOutput() == data) << size;
    }
}

TEST(GzipPieces, OnlyOurOwnMemberOfTheVeryStreamPassesTheCheck)
{
    const QByteArray data = streamLike(3 * kPiece);
    const QByteArray member = CompressToGzip(data);
    EXPECT_TRUE(IsGzipMemberOf(member, data));
    EXPECT_TRUE(IsGzipMemberOf(CompressToGzip(QByteArray()), QByteArray()));

    QByteArray other = data;
    other[qsizetype(2 * kPiece + 5)] = char(other[qsizetype(2 * kPiece + 5)] ^ 1);
    EXPECT_FALSE(IsGzipMemberOf(member, other)) << "another stream";
    EXPECT_FALSE(IsGzipMemberOf(member, data + "x")) << "a longer stream";
    EXPECT_FALSE(IsGzipMemberOf(member, data.left(data.size() - 1))) << "a shorter stream";
    EXPECT_FALSE(IsGzipMemberOf(member + "x", data)) << "bytes after the member";
    EXPECT_FALSE(IsGzipMemberOf(member.left(member.size() - 1), data)) << "cut off";
    QByteArray named = member;
    named[3] = 0x08;
    named.insert(10, QByteArray("name\0", 5));
    EXPECT_FALSE(IsGzipMemberOf(named, data)) << "a header of another writer";
    QByteArray badCrc = member;
    badCrc[badCrc.size() - 8] = char(badCrc[badCrc.size() - 8] ^ 0x40);
    EXPECT_FALSE(IsGzipMemberOf(badCrc, data)) << "a wrong checksum";
    EXPECT_FALSE(IsGzipMemberOf(data, data)) << "plain bytes";
}

TEST(GzipPieces, AStoredLengthThatLiesOnlyBoundsTheFirstGuess)
{
    const QByteArray data = streamLike(200000);
    QByteArray member = CompressToGzip(data);
    for (quint32 claimed : {0u, 10u, 0xFFFFFFFFu}) {
        qToLittleEndian<quint32>(claimed, member.data() + member.size() - 4);
        QByteArray decoded;
        EXPECT_EQ(DecompressGzip(member, decoded), GzipChecksumMismatch) << claimed;
        EXPECT_EQ(decoded, data) << claimed;
        EXPECT_LE(decoded.capacity(), 2 * data.size()) << claimed;
        EXPECT_EQ(DecompressGzip(member, decoded, 1000), GzipOutputTooLarge) << claimed;
        EXPECT_EQ(decoded, data.left(1000)) << claimed;
    }
}
