// Saves and attachments written onto a disk that runs out of room: the call fails, the previous
// file stays byte for byte, and no temporary file is left behind.
#include "model/attachment_store.h"
#include "model_fixture.h"
#include "support/file_bytes.h"
#include "support/short_of_space.h"

#include <QRandomGenerator>

using namespace talvena;
using namespace talvena::test;
using testsupport::ShortOfSpace;

namespace {

using testsupport::fileBytes;
using testsupport::writeFileBytes;


QByteArray noise(qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (char& c : b) c = char(gen.bounded(256));
    return b;
}

class FailedWrite : public ModuleTest {
protected:
    // A passport of about 48 KiB: its attachment does not compress.
    void addBigAttachment()
    {
        QTemporaryDir src;
        const QString path = src.filePath("map.bin");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(noise(48 * 1024));
        f.close();
        AddAttachment(module.FILES, "map.bin", path);
    }
};

TEST_F(FailedWrite, SaveOntoAFullDiskFailsAndKeepsThePreviousFileAtEveryLevelOfFreeSpace)
{
    addBigAttachment();
    for (const qint64 room : {0, 1, 4096, 8192, 16384, 32768}) {
        ShortOfSpace disk;
        const QString target = disk.folder() + "/out.psp";
        const QByteArray previous = "previous passport " + noise(3000);
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(previous);
        f.close();
        const QString before = module.state().fileName();

        const auto a = disk.attempt(room, [&] { module.SavePassport(target); });
        SCOPED_TRACE(disk.how() + ", room " + std::to_string(room));
        EXPECT_TRUE(a.threw);
        EXPECT_EQ(a.message, "Stream write error");
        EXPECT_EQ(fileBytes(target), previous);
        EXPECT_EQ(disk.entries(), QStringList{"out.psp"}); // no temporary file left
        EXPECT_EQ(module.state().fileName(), before);
    }
}

TEST_F(FailedWrite, SaveWithRoomEnoughSucceedsInTheSameFolder)
{
    addBigAttachment();
    ShortOfSpace disk;
    const QString target = disk.folder() + "/out.psp";
    const auto a = disk.attempt(512 * 1024, [&] { module.SavePassport(target); });
    EXPECT_FALSE(a.threw) << a.message;
    EXPECT_EQ(disk.entries(), QStringList{"out.psp"});
    EXPECT_GT(QFileInfo(target).size(), 48 * 1024);
}

TEST_F(FailedWrite, AnAttachmentWrittenOutOntoAFullDiskKeepsThePreviousFile)
{
    addBigAttachment();
    ASSERT_TRUE(FindAttachment(module.FILES, "map.bin"));
    for (const qint64 room : {0, 8192}) {
        ShortOfSpace disk;
        const QString target = disk.folder() + "/map.bin";
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old map");
        f.close();
        const auto a = disk.attempt(room, [&] { WriteAttachmentOut(module.FILES, target); });
        SCOPED_TRACE(disk.how() + ", room " + std::to_string(room));
        EXPECT_TRUE(a.threw);
        EXPECT_EQ(a.message, "Stream write error");
        EXPECT_EQ(fileBytes(target), "old map");
        EXPECT_EQ(disk.entries(), QStringList{"map.bin"});
    }
}

TEST_F(FailedWrite, AFolderThatCannotTakeANewFileIsReportedWithTheTargetsName)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("missing/out.psp");
    const std::string message = errorOf([&] { module.SavePassport(target); });
    EXPECT_EQ(message, "Cannot create file \"" + target.toStdString() + "\". Не удается найти указанный путь.");
}

TEST_F(FailedWrite, ADamagedMemberIsWrittenAsFarAsItDecodesAndSaysSo)
{
    addBigAttachment();
    ASSERT_TRUE(FindAttachment(module.FILES, "map.bin"));
    Field& content = module.FILES.fieldByName("CONTENT");
    const QByteArray member = content.asBytes();
    QTemporaryDir dir;
    EXPECT_EQ(WriteAttachmentOut(module.FILES, dir.filePath("whole.bin")), WriteOutResult::Written);

    QByteArray badCrc = member;
    badCrc[badCrc.size() - 5] = char(badCrc[badCrc.size() - 5] ^ 1);
    module.FILES.edit();
    content.setBytes(badCrc);
    module.FILES.post();
    EXPECT_EQ(WriteAttachmentOut(module.FILES, dir.filePath("crc.bin")), WriteOutResult::Damaged);
    EXPECT_EQ(fileBytes(dir.filePath("crc.bin")), fileBytes(dir.filePath("whole.bin")));

    module.FILES.edit();
    content.setBytes(member.left(member.size() / 2));
    module.FILES.post();
    EXPECT_EQ(WriteAttachmentOut(module.FILES, dir.filePath("cut.bin")), WriteOutResult::Damaged);
    EXPECT_TRUE(fileBytes(dir.filePath("whole.bin")).startsWith(fileBytes(dir.filePath("cut.bin"))));
}

} // namespace
