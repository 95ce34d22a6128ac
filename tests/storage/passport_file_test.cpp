#include "base/error.h"
#include "support/error_of.h"
#include "support/file_bytes.h"
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
#include <optional>
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

using testsupport::fileBytes;
using testsupport::writeFileBytes;

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
    writeFileBytes(path, v0);
    EXPECT_NO_THROW(ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}));

    QByteArray v2 = good;
    v2[8] = 2;
    writeFileBytes(path, v2);
    EXPECT_EQ(errorOf([&] { ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}); }), "Unknown PSP version");

    // A block length beyond the end of the file, and one below 1.
    QByteArray longBlock = good;
    longBlock[9] = '\x7f';
    longBlock[12] = '\x10';
    writeFileBytes(path, longBlock);
    EXPECT_EQ(errorOf([&] { ReadPassportBlocks(path, scratch.list(), TableStreamFormats{}); }), "Stream read error");
    QByteArray zeroBlock = good;
    zeroBlock.replace(9, 4, QByteArray(4, '\0'));
    writeFileBytes(path, zeroBlock);
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
    writeFileBytes(path, buf.data()); // headerless, three blocks
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

namespace {

// Every stored value of a table, row by row, with the record status.
std::vector<QByteArray> storedRows(const RecordTable& t)
{
    std::vector<QByteArray> rows;
    for (int i = 0; i < t.storedCount(); ++i) {
        QByteArray row;
        for (int f = 0; f < t.fieldCount(); ++f) {
            const Value v = t.rowValue(t.storedRow(i), t.field(f));
            row += (v.isNull() ? QByteArray("NULL") : v.isBytes() ? v.bytesValue() : QByteArray::number(v.isInteger() ? double(v.integerValue()) : v.realValue(), 'g', 17)) + '|';
        }
        rows.push_back(row + QByteArray::number(t.rowStatus(t.storedRow(i))));
    }
    return rows;
}

std::unique_ptr<RecordTable> pointTable(const char* name, const std::vector<std::optional<int>>& ids)
{
    auto t = std::make_unique<RecordTable>(name);
    t->addField("ID", FieldType::Integer, 0, true);
    t->addField("HEAD_ID", FieldType::Integer);
    t->addField("X", FieldType::Float);
    t->open();
    int i = 0;
    for (const std::optional<int>& id : ids) {
        std::vector<Value> v{id ? Value::integer(*id) : Value(), Value::integer(i % 3), Value::real(60 + i / 4.0)};
        t->beginLoad();
        t->loadRecord(v, i % 2); // edited records too: the copy makes them new ones
        t->endLoad();
        ++i;
    }
    return t;
}

std::unique_ptr<RecordTable> emptyPointTarget()
{
    auto t = pointTable("KONTUR", {});
    t->append(); // a pending record is settled away, old records go
    t->fieldByName("ID").setInteger(99);
    return t;
}

} // namespace

TEST(TakeOverTableRecords, GivesWhatTheCopyGivesIdsAndRequiredFieldsIncluded)
{
    const std::vector<std::vector<std::optional<int>>> cases = {
        {5, 9, 1, 7},                                          // unique: nothing drawn
        {5, 5, 7, 5, 0, std::nullopt, 1 << 30, -4},            // repeats, and NULL counts as 0
    };
    for (const auto& ids : cases) {
        for (bool unique : {true, false}) {
            auto copied = emptyPointTarget();
            auto taken = emptyPointTarget();
            seedRandom(11);
            const std::string copyError = errorOf([&] { CopyTableRecords(*pointTable("S", ids), *copied, unique); });
            seedRandom(11);
            auto source = pointTable("S", ids);
            bool tookOver = false;
            EXPECT_EQ(errorOf([&] { tookOver = TakeOverTableRecords(*source, *taken, unique); }), copyError);
            if (copyError != "no error") continue; // a NULL ID kept as it is
            EXPECT_TRUE(tookOver);
            EXPECT_EQ(storedRows(*taken), storedRows(*copied)) << ids.size() << unique;
            EXPECT_FALSE(source->active());
            EXPECT_EQ(taken->fieldByName("ID").asInteger(), copied->fieldByName("ID").asInteger());
        }
    }
    // A required field left NULL fails alike (here: a NULL ID while 0 is still free).
    for (bool unique : {true, false}) {
        auto copied = emptyPointTarget();
        auto taken = emptyPointTarget();
        const std::vector<std::optional<int>> ids = {3, std::nullopt};
        const std::string copyError = errorOf([&] { CopyTableRecords(*pointTable("S", ids), *copied, unique); });
        auto source = pointTable("S", ids);
        EXPECT_EQ(errorOf([&] { TakeOverTableRecords(*source, *taken, unique); }), copyError);
        EXPECT_EQ(copyError, "Field 'ID' must have a value");
    }
}

TEST(TakeOverTableRecords, LeavesTablesWithOtherFieldsOrValueHandlersToTheCopy)
{
    auto source = pointTable("S", {1, 2});
    auto other = std::make_unique<RecordTable>("KONTUR");
    other->addField("ID", FieldType::Integer, 0, true);
    other->addField("X", FieldType::Float);
    other->open();
    EXPECT_FALSE(TakeOverTableRecords(*source, *other, true));
    auto guarded = pointTable("KONTUR", {8});
    guarded->fieldByName("X").onValidate = [](Field&) {};
    EXPECT_FALSE(TakeOverTableRecords(*source, *guarded, true));
    EXPECT_EQ(guarded->storedCount(), 1);
    EXPECT_EQ(source->storedCount(), 2);
    source->close();
    EXPECT_FALSE(TakeOverTableRecords(*source, *pointTable("KONTUR", {}), true));
}

TEST(UniqueIds, RepeatedValuesAreFoundInSmallAndLargeSets)
{
    EXPECT_FALSE(HasRepeatedValues({}));
    EXPECT_FALSE(HasRepeatedValues({3, 1, 2}));
    EXPECT_TRUE(HasRepeatedValues({3, 1, 3}));
    std::vector<uint32_t> many(200000);
    for (uint32_t i = 0; i < many.size(); ++i) many[i] = i * 2654435761u; // distinct, spread over 32 bits
    EXPECT_FALSE(HasRepeatedValues(many));
    many[150000] = many[7];
    EXPECT_TRUE(HasRepeatedValues(many));
    many[150000] = 0xFFFFFFFFu;
    many[3] = 0xFFFFFFFFu;
    EXPECT_TRUE(HasRepeatedValues(many));
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
