#include "base/cp1251.h"
#include "base/error.h"
#include "model/attachment_store.h"
#include "storage/gzip.h"
#include "table/record_table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

struct Attachments : ::testing::Test {
    RecordTable files{"FILES"};
    QTemporaryDir dir;
    void SetUp() override
    {
        files.addField("NAME", FieldType::String, 128);
        files.addField("CONTENT", FieldType::Blob);
        files.addField("DESCRIPTION", FieldType::String, 128);
        files.addField("SRCNAME", FieldType::String, 128);
        files.open();
    }
    QString source(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QByteArray readBack(const QByteArray& name)
    {
        EXPECT_TRUE(FindAttachment(files, name));
        const QString out = dir.filePath("out.bin");
        WriteAttachmentOut(files, out);
        QFile f(out);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};

} // namespace

TEST_F(Attachments, AddStoresAGzipMemberAndWritesTheFileBackOut)
{
    const QByteArray data = QByteArray(100000, 'x') + "tail";
    const QByteArray name = AddAttachment(files, cp("Титульный лист.PDF"), source("plan.PDF", data));
    EXPECT_EQ(name, cp("Титульный лист.PDF"));
    EXPECT_EQ(files.fieldByName("SRCNAME").asString(), "plan.PDF");
    EXPECT_TRUE(files.fieldByName("DESCRIPTION").isNull());
    EXPECT_TRUE(files.fieldByName("CONTENT").asBytes().startsWith("\x1f\x8b\x08"));
    EXPECT_EQ(readBack(cp("ТИТУЛЬНЫЙ ЛИСТ.pdf")), data); // letter case ignored, Cyrillic too

    const QByteArray empty = AddAttachment(files, "empty", source("empty", {}));
    EXPECT_TRUE(FindAttachment(files, empty));
    EXPECT_EQ(files.fieldByName("CONTENT").asBytes().size(), 20);
    EXPECT_EQ(readBack("empty"), QByteArray());
}

TEST_F(Attachments, StoredNamesStayUniqueAndOperationsActOnTheNamedRecord)
{
    AddAttachment(files, "Geo1.png", source("a.png", "a"));
    const QByteArray second = AddAttachment(files, "geo1.PNG", source("b.png", "b"));
    const QByteArray third = AddAttachment(files, "Geo1.png", source("c.png", "c"));
    EXPECT_EQ(second, "geo1 (2).PNG");
    EXPECT_EQ(third, "Geo1 (3).png");
    SetAttachmentComment(files, "GEO1 (2).png", cp("разрез"));
    EXPECT_EQ(EnumerateAttachments(files)[1].description, cp("разрез"));
    RemoveAttachment(files, "Geo1.png");
    RemoveAttachment(files, "nothing"); // nothing happens
    const auto all = EnumerateAttachments(files);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "geo1 (2).PNG");
    EXPECT_EQ(readBack("geo1 (2).png"), "b");
}

TEST_F(Attachments, UnreadableSourceLeavesNothingAndReplaceKeepsTheOldOnFailure)
{
    AddAttachment(files, "map.png", source("map.png", "old"));
    const std::string missing = dir.filePath("missing.png").toStdString();
    try {
        ReplaceAttachment(files, "map.png", "map.png", dir.filePath("missing.png"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.what();
    }
    ASSERT_EQ(files.recordCount(), 1);
    EXPECT_EQ(readBack("map.png"), "old");
    EXPECT_THROW(AddAttachment(files, "dir", dir.path()), Error); // a folder is no file
    EXPECT_EQ(files.recordCount(), 1);

    EXPECT_EQ(ReplaceAttachment(files, "map.png", "map.png", source("new.png", "new")), "map.png");
    ASSERT_EQ(files.recordCount(), 1);
    EXPECT_EQ(readBack("map.png"), "new");
}

TEST(PlainFileNames, StoredNamesCannotLeaveTheirFolder)
{
    EXPECT_EQ(PlainFileName("../../etc/passwd"), "passwd");
    EXPECT_EQ(PlainFileName("C:\\Windows\\win.ini"), "win.ini");
    EXPECT_EQ(PlainFileName(".."), QString::fromUtf8("файл"));
    EXPECT_EQ(PlainFileName("a:b*c?.txt"), "a_b_c_.txt");
    EXPECT_EQ(PlainFileName(utf8ToCp1251("Карта То по ОГ: Б.png")), QString::fromUtf8("Карта То по ОГ_ Б.png"));
}

TEST_F(Attachments, NamesCutToTheFieldWidthStayUnique)
{
    // Two source names that differ only after the 128th character are one name once cut.
    const QByteArray common(140, 'a');
    const QByteArray first = AddAttachment(files, common + "1.png", source("one", "1"));
    const QByteArray second = AddAttachment(files, common + "2.png", source("two", "2"));
    EXPECT_EQ(first, common.left(128));
    EXPECT_EQ(second, common.left(124) + " (2)");
    EXPECT_EQ(files.fieldByName("NAME").asString(), second); // stored as returned, not cut again
    RemoveAttachment(files, first);
    EXPECT_EQ(readBack(second), "2");

    // An extension too long to keep beside the number gives way too.
    const QByteArray longExtension = "x." + QByteArray(130, 'e');
    AddAttachment(files, longExtension, source("three", "3"));
    const QByteArray fourth = AddAttachment(files, longExtension, source("four", "4"));
    EXPECT_EQ(fourth.size(), 128);
    EXPECT_TRUE(fourth.endsWith(" (2)"));
    EXPECT_EQ(readBack(fourth), "4");
}

TEST_F(Attachments, ASourceThatCannotBeReadIsReportedInRussian)
{
    try {
        CompressAttachmentFile(dir.filePath("missing.pdf"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).endsWith(QString::fromUtf8("Не удается найти указанный файл."))) << e.what();
    }
}

TEST(DistinctFileNames, NumbersLikeTheSimpleSearchAndKeepsLongNamesWithinTheLimit)
{
    // A random sequence of names, some of them looking like numbered ones already, against the
    // plain search from 1 upwards that the numbering replaces (quadratic for equal names).
    std::mt19937 random(7);
    const QStringList pool{"same.txt", "SAME.txt", "same (2).txt", "same (3).TXT", "other", "other (2)",
                           QString(120, QChar(u'Ж')) + ".txt", "." + QString(126, QChar(u'Ж'))};
    DistinctFileNames names{{"Descript.ion"}};
    QSet<QString> taken{"descript.ion"};
    for (int i = 0; i < 3000; ++i) {
        const QString plain = pool[int(random() % pool.size())];
        QString expected;
        for (int n = 1;; ++n) {
            expected = NumberedFileName(plain, n);
            if (!taken.contains(expected.toLower())) break;
        }
        taken.insert(expected.toLower());
        const QString got = names.take(plain);
        ASSERT_EQ(got.toStdString(), expected.toStdString()) << i;
        ASSERT_LE(got.toUtf8().size(), 255);
    }
    EXPECT_EQ(names.take("descript.ION"), "descript (2).ION");
}
