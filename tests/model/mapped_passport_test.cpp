// An open passport whose attachments are still in the file it was opened from: saves over that
// file, and other programs that truncate it meanwhile.
#include "base/file_mapping.h"
#include "model/attachment_store.h"
#include "model_fixture.h"
#include "storage/passport_file.h"

#include <QDir>
#include <QRandomGenerator>

#include <map>

using namespace talvena;
using namespace talvena::test;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& b)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(b), b.size());
}

// Bytes that do not compress, so each attachment spans many pages of the file.
QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator g(seed);
    g.fillRange(reinterpret_cast<quint32*>(b.data()), size / 4);
    return b;
}

class MappedPassportTest : public ModuleTest {
protected:
    QTemporaryDir dir;
    std::map<QByteArray, QByteArray> originals; // stored name → the attached file's bytes
    QString path;

    void SetUp() override
    {
        ModuleTest::SetUp();
        module.PASPORTS.fieldByName("OBJECTNAME").setString(cp("Тестовая"));
        module.PASPORTS.post();
        for (int i = 0; i < 4; ++i) {
            const QString source = dir.filePath(QStringLiteral("source%1.bin").arg(i));
            const QByteArray content = noise((300 << 10) + 4093 * i, quint32(i + 1));
            writeBytes(source, content);
            originals[AddAttachment(module.FILES, cp("Документ ") + QByteArray::number(i) + ".bin", source)] = content;
        }
        path = dir.filePath("passport.psp");
        module.SavePassport(path);
        ASSERT_TRUE(module.LoadPassport(path));
    }

    // The CONTENT of every attachment, by stored name.
    std::map<QByteArray, QByteArray> members()
    {
        std::map<QByteArray, QByteArray> out;
        RecordTable& files = module.FILES;
        for (int i = 0; i < files.storedCount(); ++i) {
            const uint32_t row = files.storedRow(i);
            out[files.rowValue(row, files.fieldByName("NAME")).bytesValue()] =
                files.rowValue(row, files.fieldByName("CONTENT")).bytesValue();
        }
        return out;
    }

    // Every attachment written out and compared with the file it was made from.
    void expectAttachmentsIntact(const char* when)
    {
        SCOPED_TRACE(when);
        ASSERT_EQ(module.FILES.storedCount(), int(originals.size()));
        for (const auto& [name, content] : originals) {
            ASSERT_TRUE(FindAttachment(module.FILES, name));
            const QString out = dir.filePath("out.bin");
            EXPECT_EQ(WriteAttachmentOut(module.FILES, out), WriteOutResult::Written);
            EXPECT_EQ(bytesOf(out), content);
        }
    }

    QStringList leftovers() { return QDir(dir.path()).entryList({".talvena-*"}, QDir::Files | QDir::Hidden); }
};

} // namespace

TEST_F(MappedPassportTest, SavesOverTheSourceFileKeepTheOpenPassportsAttachments)
{
    for (const auto& [name, member] : members()) EXPECT_TRUE(IsMappedBytes(member)) << name.constData();

    // Saved over itself twice (the first save replaces the mapped file, the second the file the
    // first one made), then the file under the name rewritten in place by another program: the
    // open passport still has every attachment whole.
    for (int round = 0; round < 2; ++round) {
        module.PASPORTS.edit();
        module.PASPORTS.fieldByName("OBJECTNAME").setString(cp("Раунд ") + QByteArray::number(round));
        module.PASPORTS.post();
        module.SavePassport(path);
    }
    writeBytes(path, QByteArray(64, 'x'));
    expectAttachmentsIntact("after the saves and the rewrite");

    // What the first save wrote came from the mapping too: saved again elsewhere and opened by
    // another module, it is the same.
    const QString copy = dir.filePath("copy.psp");
    module.SavePassport(copy);
    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    ASSERT_TRUE(other.LoadPassport(copy));
    EXPECT_EQ(other.PASPORTS.fieldByName("OBJECTNAME").asBytes(), cp("Раунд 1"));
    EXPECT_EQ(other.FILES.storedCount(), int(originals.size()));
    for (const auto& [name, member] : members()) {
        ASSERT_TRUE(FindAttachment(other.FILES, name));
        EXPECT_EQ(other.FILES.fieldByName("CONTENT").asBytes(), member);
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(MappedPassportTest, AFileTruncatedWhileOpenGivesClearErrorsAndNeverACrash)
{
    const QString previous = dir.filePath("previous.psp");
    writeBytes(previous, "the file a failed save must leave");
    const std::string changed = "изменила или укоротила другая программа";

    // Truncated in the middle of the attachments.
    const qint64 half = QFileInfo(path).size() / 2;
    ASSERT_TRUE(QFile::resize(path, half));

    // Reading every byte of every attachment does not crash: what the file lost reads as zeros.
    // Each use of them that lasts then fails, naming the file, and leaves nothing behind.
    qint64 sum = 0;
    for (const auto& [name, member] : members())
        for (char c : member) sum += uint8_t(c);
    EXPECT_GT(sum, 0);
    for (const auto& [name, content] : originals) {
        ASSERT_TRUE(FindAttachment(module.FILES, name));
        const QString out = dir.filePath("out.bin");
        try {
            WriteAttachmentOut(module.FILES, out);
            ADD_FAILURE() << "an attachment of a truncated file was written out";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(changed), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(path.toStdString()), std::string::npos) << e.what();
        }
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    for (const QString& target : {previous, path}) {
        try {
            module.SavePassport(target);
            ADD_FAILURE() << "a save from a truncated file succeeded";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(changed), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(bytesOf(previous), "the file a failed save must leave");
    EXPECT_EQ(QFileInfo(path).size(), half);
    EXPECT_TRUE(leftovers().isEmpty());

    // The way out: without the attachments that were left in the file, the passport saves.
    while (module.FILES.storedCount() > 0) {
        module.FILES.first();
        module.FILES.deleteRecord();
    }
    module.SavePassport(previous);
    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    ASSERT_TRUE(other.LoadPassport(previous));
    EXPECT_EQ(other.PASPORTS.fieldByName("OBJECTNAME").asBytes(), cp("Тестовая"));
    EXPECT_EQ(other.FILES.storedCount(), 0);
}

TEST_F(MappedPassportTest, AFileTruncatedDuringASaveFailsTheSaveAndKeepsThePreviousFile)
{
    const QString previous = dir.filePath("previous.psp");
    writeBytes(previous, "the file a failed save must leave");
    // The tables are written first, then FILES: the source shrinks to its header after the first
    // block, while the attachments are still to be copied from it.
    int blocks = 0;
    try {
        module.SavePassport(previous, [&] {
            if (++blocks == 1) ASSERT_TRUE(QFile::resize(path, 9));
        });
        ADD_FAILURE() << "a save from a file truncated meanwhile succeeded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("изменила или укоротила"), std::string::npos) << e.what();
    }
    EXPECT_EQ(bytesOf(previous), "the file a failed save must leave");
    EXPECT_TRUE(leftovers().isEmpty());
}
