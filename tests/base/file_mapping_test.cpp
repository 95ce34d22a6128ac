#include "base/byte_slice.h"
#include "base/error.h"
#include "base/file_mapping.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

QByteArray pattern(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) b[i] = char((i * 7 + i / 4096) & 0xFF);
    return b;
}

} // namespace

// The arrays of a mapped file behave as any shared QByteArray: slices share the pages, a change
// copies first and never reaches the file, and the mapping goes when the last array does.
TEST(FileMapping, SlicesShareTheFileUntilChangedAndTheMappingLastsAsLongAsTheyDo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("file.bin");
    const QByteArray original = pattern(3 * 4096 + 123);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(original);
    }
    ASSERT_EQ(ReleaseUnusedMappings(), 0);

    QByteArray whole = MapFileBytes(path);
    EXPECT_TRUE(IsMappedBytes(whole));
    EXPECT_EQ(whole, original);
    QByteArray slice = SharedSlice(whole, 4000, 5000);
    QByteArray changed = SharedSlice(whole, 10, 100);
    whole = QByteArray();
    EXPECT_EQ(ReleaseUnusedMappings(), 1); // the slices hold it
    EXPECT_TRUE(IsMappedBytes(slice));
    EXPECT_EQ(slice, original.mid(4000, 5000));

    changed.data()[0] = 'X';
    changed.append("more");
    slice.resize(10);
    EXPECT_FALSE(IsMappedBytes(changed));
    EXPECT_EQ(changed, "X" + original.mid(11, 99) + "more");
    EXPECT_EQ(slice, original.mid(4000, 10));
    EXPECT_EQ(MapFileBytes(path), original); // the file did not change

    slice = QByteArray();
    changed = QByteArray();
    EXPECT_EQ(ReleaseUnusedMappings(), 0);
    CheckMappedBytes(original); // bytes of no mapping: nothing to check

    // A file too small to map is read; a missing one fails as opening it does.
    QFile(dir.filePath("empty.bin")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(MapFileBytes(dir.filePath("empty.bin")).isEmpty());
    try {
        MapFileBytes(dir.filePath("none.bin"));
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file", 0), 0u) << e.what();
    }
}
