#include "base/error.h"
#include "support/error_of.h"
#include "base/random_id.h"
#include "storage/passport_file.h"
#include "storage/unique_ids.h"
#include "table/record_table.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <climits>
#include <set>

using namespace talvena;

namespace {

std::unique_ptr<RecordTable> idTable(const char* name, int records, int idStep = 1)
{
    auto t = std::make_unique<RecordTable>(name);
    t->addField("ID", FieldType::Integer, 0, true);
    t->addField("NAME", FieldType::String, 20);
    t->open();
    for (int i = 0; i < records; ++i) {
        t->append();
        t->fieldByName("ID").setInteger(i * idStep);
        t->fieldByName("NAME").setString("n" + QByteArray::number(i));
        t->post();
    }
    return t;
}

struct FiveTables {
    std::unique_ptr<RecordTable> t[5];
    FiveTables(int records)
    {
        const char* names[5] = {"PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR", "FILES"};
        for (int i = 0; i < 5; ++i) t[i] = idTable(names[i], i == 0 ? 1 : records);
    }
    PassportTableList list() { return {t[0].get(), t[1].get(), t[2].get(), t[3].get(), t[4].get()}; }
};

using testsupport::errorOf;

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

} // namespace

TEST(PassportFile, WritesHeaderAndFiveBlocksAndReadsThemBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.psp");
    FiveTables src(3);
    src.t[3]->setFilterText("ID=1");
    src.t[3]->setFiltered(true); // hidden records are written all the same
    WritePassportFile(path, src.list(), TableStreamFormats{});
    const QByteArray bytes = fileBytes(path);
    EXPECT_EQ(bytes.left(9), QByteArray::fromHex("076c6f6d69726132" "01"));
    EXPECT_TRUE(HasPassportHeader(path).headered);
    EXPECT_EQ(HasPassportHeader(path).version, 1);

    FiveTables scratch(0);
    ReadPassportBlocks(path, scratch.list(), TableStreamFormats{});
    EXPECT_EQ(scratch.t[0]->recordCount(), 1);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(scratch.t[i]->recordCount(), 3) << i;
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.psp"}); // no temporary left behind
}

TEST(PassportFile, HeaderChecksAndDamagedFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.psp");
    FiveTables src(2);
    WritePassportFile(path, src.list(), TableStreamFormats{});
    const QByteArray good = fileBytes(path);
    FiveTables scratch(0);

    QByteArray v0 = good;
    v0[8] = 0;
    writeBytes(path, v0);
    EXPECT_NO_THROW(ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}));

    QByteArray v2 = good;
    v2[8] = 2;
    writeBytes(path, v2);
    EXPECT_EQ(errorOf([&] { ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}); }), "Unknown PSP version");

    // A block length beyond the end of the file, and one below 1.
    QByteArray longBlock = good;
    longBlock[9] = '\x7f';
    longBlock[12] = '\x10';
    writeBytes(path, longBlock);
    EXPECT_EQ(errorOf([&] { ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}); }), "Stream read error");
    QByteArray zeroBlock = good;
    zeroBlock.replace(9, 4, QByteArray(4, '\0'));
    writeBytes(path, zeroBlock);
    EXPECT_EQ(errorOf([&] { ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}); }), "Stream read error");

    const std::string missing = errorOf([&] { ReadPassportBlocks(dir.filePath("none.psp"), scratch.list(), TableStreamFormats{}); });
    EXPECT_EQ(missing.rfind("Cannot open file \"" + dir.filePath("none.psp").toStdString() + "\". ", 0), 0u) << missing;
}

TEST(PassportFile, FileCutAfterThirdBlockLeavesTheRestClosed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.psp");
    FiveTables src(2);
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    for (int i = 0; i < 3; ++i) WriteTableBlock(*src.t[i], buf, TableStreamFormats{}.kbmBinaryStreamFormat1);
    writeBytes(path, buf.data()); // headerless, three blocks
    EXPECT_FALSE(HasPassportHeader(path).headered);
    FiveTables scratch(0);
    ReadPassportBlocks(path, scratch.list(), TableStreamFormats{});
    EXPECT_EQ(scratch.t[2]->recordCount(), 2);
    EXPECT_FALSE(scratch.t[3]->active());
    EXPECT_FALSE(scratch.t[4]->active());
}

TEST(PassportFile, FailedSaveLeavesThePreviousFileIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.psp");
    FiveTables first(1);
    WritePassportFile(path, first.list(), TableStreamFormats{});
    const QByteArray before = fileBytes(path);
    // The save fails after three of five blocks were written.
    FiveTables second(5);
    int blocks = 0;
    const std::string e = errorOf([&] {
        WritePassportFile(path, second.list(), TableStreamFormats{}, [&] {
            if (++blocks == 3) throw Error("Stream write error");
        });
    });
    EXPECT_EQ(e, "Stream write error");
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.psp"});
    // A folder that does not exist cannot be written into at all.
    EXPECT_NE(errorOf([&] { WritePassportFile(dir.filePath("no/such.psp"), second.list(), TableStreamFormats{}); }),
              "no error");
}

TEST(CopyTableRecords, CopiesByNameSkipsRefusedValuesAndMakesIdsUnique)
{
    seedRandom(7);
    RecordTable source("TempTable");
    source.addField("ID", FieldType::Integer);
    source.addField("name", FieldType::String, 40); // letter case of names is ignored
    source.addField("EXTRA", FieldType::Float);     // the target lacks it
    source.addField("VALUE", FieldType::String, 10);
    source.open();
    const int ids[] = {5, 5, 7, 5};
    for (int id : ids) {
        source.append();
        source.fieldByName("ID").setInteger(id);
        source.fieldByName("NAME").setString("a long name beyond twenty");
        source.fieldByName("VALUE").setString(id == 7 ? "x" : "-3");
        source.post();
    }
    RecordTable target("REFLECT_HORIZONTS");
    target.addField("ID", FieldType::Integer, 0, true);
    target.addField("NAME", FieldType::String, 20);
    Field& value = target.addField("VALUE", FieldType::Float);
    target.addField("MISSING", FieldType::Integer);
    value.onValidate = [](Field& f) {
        if (f.asFloat() < 0) throw Error("Значение должно быть больше нуля.");
    };
    target.open();
    target.append(); // a pending record is settled away, old records go
    target.fieldByName("ID").setInteger(99);
    CopyTableRecords(source, target, true);

    ASSERT_EQ(target.recordCount(), 4);
    std::set<int64_t> seen;
    int kept5 = 0;
    for (target.first(); !target.eof(); target.next()) {
        const int64_t id = target.fieldByName("ID").asInteger();
        EXPECT_TRUE(seen.insert(id).second) << "duplicate " << id;
        EXPECT_LT(id, 999999);
        kept5 += id == 5;
        EXPECT_EQ(target.fieldByName("NAME").asString().size(), 20);
        EXPECT_TRUE(value.isNull()); // "-3" refused by the rule, "x" not a number
        EXPECT_TRUE(target.fieldByName("MISSING").isNull());
    }
    EXPECT_EQ(kept5, 1);
    EXPECT_EQ(seen.count(7), 1u);

    // Without unique IDs the duplicates stay; a closed source empties the target.
    CopyTableRecords(source, target, false);
    int fives = 0;
    for (target.first(); !target.eof(); target.next()) fives += target.fieldByName("ID").asInteger() == 5;
    EXPECT_EQ(fives, 3);
    source.close();
    CopyTableRecords(source, target, false);
    EXPECT_EQ(target.recordCount(), 0);
}

TEST(UniqueIds, DrawsEveryFreeValueOfACrowdedRangeAndThenSaysNoneIsLeft)
{
    seedRandom(3);
    UniqueIds ids(1000, 16);
    ids.take(-5);       // outside the range: taken, but no value of the range
    ids.take(INT64_MIN); // the value the set uses for an empty slot
    EXPECT_TRUE(ids.taken(INT64_MIN));
    std::set<int32_t> drawn;
    for (int i = 0; i < 1000; ++i) {
        const int32_t v = ids.drawFree();
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 1000);
        ASSERT_FALSE(ids.taken(v));
        ids.take(v);
        drawn.insert(v);
    }
    EXPECT_EQ(drawn.size(), 1000u);
    EXPECT_EQ(ids.drawFree(), -1);
    EXPECT_EQ(ids.drawFree(), -1);
}

TEST(UniqueIds, ValuesTakenAfterTheFreeListWasBuiltAreNotDrawnAgain)
{
    seedRandom(11);
    UniqueIds ids(100, 16);
    for (int v = 0; v < 98; ++v) ids.take(v); // crowded: the next draw builds the free list
    const int32_t first = ids.drawFree();
    EXPECT_TRUE(first == 98 || first == 99);
    ids.take(98);
    EXPECT_EQ(ids.drawFree(), 99);
    ids.take(99);
    EXPECT_EQ(ids.drawFree(), -1);
}
