#include "export/compound_file.h"
#include "independent_readers.h"
#include "support/error_of.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace talvena;
using namespace talvena::test;
using testsupport::errorOf;

namespace {

uint32_t u32At(const QByteArray& b, qsizetype at)
{
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t u16At(const QByteArray& b, qsizetype at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray b(size, Qt::Uninitialized);
    uint32_t x = 2463534242u + seed;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b[i] = static_cast<char>(x);
    }
    return b;
}

QString saved(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("file.cfb");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

} // namespace

TEST(CompoundFile, LayoutOfOneStream)
{
    const QByteArray data = pattern(4096, 1);
    const QByteArray file = BuildCompoundFile({{"Workbook", data}});
    // Header, eight stream sectors, one directory sector, one FAT sector.
    ASSERT_EQ(file.size(), 512 + 8 * 512 + 512 + 512);
    EXPECT_EQ(file.left(8), QByteArray::fromHex("D0CF11E0A1B11AE1"));
    EXPECT_EQ(u16At(file, 0x18), 0x3E);
    EXPECT_EQ(u16At(file, 0x1A), 3);
    EXPECT_EQ(u16At(file, 0x1C), 0xFFFE);
    EXPECT_EQ(u16At(file, 0x1E), 9);
    EXPECT_EQ(u16At(file, 0x20), 6);
    EXPECT_EQ(u32At(file, 0x2C), 1u);          // FAT sectors
    EXPECT_EQ(u32At(file, 0x30), 8u);          // first directory sector
    EXPECT_EQ(u32At(file, 0x38), 4096u);       // mini stream cut-off
    EXPECT_EQ(u32At(file, 0x3C), 0xFFFFFFFEu); // no mini FAT
    EXPECT_EQ(u32At(file, 0x44), 0xFFFFFFFEu); // no DIFAT sector
    EXPECT_EQ(u32At(file, 0x48), 0u);
    EXPECT_EQ(u32At(file, 0x4C), 9u);          // the FAT sector
    EXPECT_EQ(u32At(file, 0x50), 0xFFFFFFFFu);
    EXPECT_EQ(file.mid(512, 4096), data);

    const qsizetype fat = 512 + 9 * 512;
    for (uint32_t s = 0; s < 7; ++s) EXPECT_EQ(u32At(file, fat + 4 * s), s + 1);
    EXPECT_EQ(u32At(file, fat + 4 * 7), 0xFFFFFFFEu);
    EXPECT_EQ(u32At(file, fat + 4 * 8), 0xFFFFFFFEu); // directory
    EXPECT_EQ(u32At(file, fat + 4 * 9), 0xFFFFFFFDu); // the FAT itself
    EXPECT_EQ(u32At(file, fat + 4 * 10), 0xFFFFFFFFu);

    const qsizetype dir = 512 + 8 * 512;
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(file.constData() + dir), 10), "Root Entry");
    EXPECT_EQ(u16At(file, dir + 64), 22);
    EXPECT_EQ(file[dir + 66], 5);
    EXPECT_EQ(u32At(file, dir + 76), 1u); // child: the stream
    EXPECT_EQ(u32At(file, dir + 116), 0xFFFFFFFEu);
    const qsizetype entry = dir + 128;
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(file.constData() + entry), 8), "Workbook");
    EXPECT_EQ(u16At(file, entry + 64), 18);
    EXPECT_EQ(file[entry + 66], 2);
    EXPECT_EQ(u32At(file, entry + 68), 0xFFFFFFFFu);
    EXPECT_EQ(u32At(file, entry + 72), 0xFFFFFFFFu);
    EXPECT_EQ(u32At(file, entry + 116), 0u);
    EXPECT_EQ(u32At(file, entry + 120), 4096u);
    EXPECT_EQ(file[dir + 2 * 128 + 66], 0); // unused entries
}

TEST(CompoundFile, StreamsReadBackExactlyByAnIndependentReader)
{
    // Odd sizes, several streams (a second directory sector) and more than 109 FAT sectors,
    // which needs a DIFAT sector.
    const std::vector<CompoundStream> streams = {
        {"Workbook", pattern(8 * 1024 * 1024 + 77, 1)},
        {"Ab", pattern(4096, 2)},
        {"SummaryInformation", pattern(5000, 3)},
        {"Z", pattern(70000, 4)},
        {"Данные", pattern(4097, 5)},
    };
    const QByteArray file = BuildCompoundFile(streams);
    EXPECT_EQ(u32At(file, 0x48), 1u); // one DIFAT sector
    QTemporaryDir dir;
    const QString path = saved(dir, file);
    for (const CompoundStream& s : streams)
        EXPECT_TRUE(CompoundStreamWithXlrd(path, s.name) == s.data) << s.name.toStdString();
}

TEST(CompoundFile, RefusesWhatTheFormatCannotHold)
{
    const QByteArray enough(4096, 'x');
    EXPECT_EQ(errorOf([&] { BuildCompoundFile({{"Workbook", QByteArray(4095, 'x')}}); }),
              "Compound file stream is shorter than 4096 bytes");
    EXPECT_NE(errorOf([&] { BuildCompoundFile({{"", enough}}); }), "no error");
    EXPECT_NE(errorOf([&] { BuildCompoundFile({{QString(32, u'a'), enough}}); }), "no error");
    EXPECT_EQ(errorOf([&] { BuildCompoundFile({{QString(31, u'a'), enough}}); }), "no error");
    // Names are compared regardless of letter case.
    EXPECT_EQ(errorOf([&] { BuildCompoundFile({{"Book", enough}, {"BOOK", enough}}); }),
              "Compound file streams must have different names");
}
