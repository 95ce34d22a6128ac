// What a table's content stamp follows (the kept blocks of a passport file are reused only while it
// stays), records taken over whole from another table, and the vectors of large tables.
#include "base/large_memory.h"
#include "table/record_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace talvena;

namespace {

struct Stamps : ::testing::Test {
    RecordTable t{"T"};

    void SetUp() override
    {
        t.addField("ID", FieldType::Integer, 0, true);
        t.addField("HEAD_ID", FieldType::Integer);
        t.addField("NAME", FieldType::String, 10);
        t.addField("X", FieldType::Float);
        t.open();
        for (int i = 1; i <= 4; ++i) add(t, i, i % 2, "p" + std::to_string(i));
    }
    static void add(RecordTable& table, int id, int head, const std::string& name)
    {
        table.append();
        table.fieldByName("ID").setInteger(id);
        table.fieldByName("HEAD_ID").setInteger(head);
        table.fieldByName("NAME").setString(QByteArray::fromStdString(name));
        table.fieldByName("X").setFloat(60.0 + id / 8.0);
        table.post();
    }
    bool keeps(const std::function<void()>& step)
    {
        const uint64_t before = t.contentStamp();
        step();
        return t.contentStamp() == before;
    }
};

std::vector<std::string> rows(const RecordTable& t)
{
    std::vector<std::string> out;
    for (int i = 0; i < t.storedCount(); ++i) {
        std::string row;
        for (int f = 0; f < t.fieldCount(); ++f) {
            const Value v = t.rowValue(t.storedRow(i), t.field(f));
            row += v.isNull() ? "NULL" : v.isBytes() ? v.bytesValue().toStdString() : v.isInteger()
                                                          ? std::to_string(v.integerValue())
                                                          : std::to_string(v.realValue());
            row += '|';
        }
        row += std::to_string(t.rowStatus(t.storedRow(i)));
        out.push_back(row);
    }
    return out;
}

} // namespace

TEST_F(Stamps, MovingAndFilteringKeepTheStampWhateverChangesWhatIsStoredDoesNot)
{
    EXPECT_TRUE(keeps([&] { t.first(); t.next(); t.last(); t.moveTo(1); }));
    EXPECT_TRUE(keeps([&] {
        t.setFilterText("HEAD_ID = 1");
        t.setFiltered(true);
        t.setFiltered(false);
    }));
    EXPECT_TRUE(keeps([&] {
        t.edit();
        t.fieldByName("NAME").setString("changed");
        t.cancel();
    }));
    EXPECT_TRUE(keeps([&] { t.refresh(); }));

    EXPECT_FALSE(keeps([&] {
        t.edit();
        t.fieldByName("X").setFloat(1.5);
        t.post();
    }));
    EXPECT_FALSE(keeps([&] { add(t, 9, 0, "new"); }));
    EXPECT_FALSE(keeps([&] { t.first(); t.deleteRecord(); }));
    EXPECT_FALSE(keeps([&] { t.sort("NAME:D"); })) << "the stored order is written";
    EXPECT_FALSE(keeps([&] { t.sort(""); }));
    EXPECT_FALSE(keeps([&] { t.fieldByName("NAME").setRequired(true); })) << "a field definition is written";
    EXPECT_TRUE(keeps([&] { t.fieldByName("NAME").setRequired(true); }));
    const RecordTable::Snapshot s = t.takeSnapshot();
    EXPECT_FALSE(keeps([&] { t.restoreSnapshot(s); }));
    EXPECT_FALSE(keeps([&] {
        std::vector<Value> v{Value::integer(20), Value(), Value(), Value()};
        t.beginLoad();
        t.loadRecord(v, 0);
        t.endLoad();
    }));
    EXPECT_FALSE(keeps([&] { t.empty(); }));
    EXPECT_FALSE(keeps([&] { t.addField("EXTRA", FieldType::Integer); }));
    EXPECT_FALSE(keeps([&] { t.clearFields(); }));

    // Stamps name one state of one table: two tables never share one.
    RecordTable a("A"), b("B");
    EXPECT_NE(a.contentStamp(), b.contentStamp());
}

TEST_F(Stamps, RecordsTakenOverArriveWholeAsNewOnesInTheSourcesOrder)
{
    RecordTable source("S");
    source.addField("id", FieldType::Integer);
    source.addField("head_id", FieldType::Integer);
    source.addField("NAME", FieldType::String, 10);
    source.addField("X", FieldType::Float);
    source.open();
    add(source, 30, 1, "thirty");
    add(source, 10, 0, "ten");
    source.append();
    source.fieldByName("ID").setInteger(20);
    source.post(); // NULLs stay NULL
    source.first();
    source.edit();
    source.fieldByName("NAME").setString("edited"); // status 1 in the source
    source.post();
    source.sort("ID");
    const std::vector<std::string> expected = {"10|0|ten|61.250000|0", "20|NULL|NULL|NULL|0",
                                               "30|1|edited|63.750000|0"};

    t.setFilterText("HEAD_ID = 1");
    t.setFiltered(true);
    const uint64_t before = t.contentStamp();
    ASSERT_TRUE(t.takeOverRecords(source));
    EXPECT_EQ(rows(t), expected);
    EXPECT_NE(t.contentStamp(), before);
    EXPECT_FALSE(source.active());
    EXPECT_EQ(source.storedCount(), 0);
    EXPECT_EQ(t.recordCount(), 1) << "the filter applies to what came";
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 30) << "the last visible record is current";

    // The source is an ordinary table again afterwards.
    source.open();
    add(source, 1, 1, "again");
    EXPECT_EQ(source.storedCount(), 1);

    // The taken-over table sorts, edits and deletes like any other.
    t.setFiltered(false);
    t.sort("ID:D");
    t.first();
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 30);
    t.deleteRecord();
    add(t, 40, 1, "forty");
    EXPECT_EQ(t.storedCount(), 3);
}

TEST_F(Stamps, TakingOverRefusesOtherFieldsAndChangesNothing)
{
    auto sourceWith = [](const std::function<void(RecordTable&)>& fields) {
        auto s = std::make_unique<RecordTable>("S");
        fields(*s);
        s->open();
        return s;
    };
    const std::vector<std::unique_ptr<RecordTable>> others = [&] {
        std::vector<std::unique_ptr<RecordTable>> v;
        v.push_back(sourceWith([](RecordTable& s) { // one field fewer
            s.addField("ID", FieldType::Integer);
            s.addField("HEAD_ID", FieldType::Integer);
            s.addField("NAME", FieldType::String, 10);
        }));
        v.push_back(sourceWith([](RecordTable& s) { // another size
            s.addField("ID", FieldType::Integer);
            s.addField("HEAD_ID", FieldType::Integer);
            s.addField("NAME", FieldType::String, 20);
            s.addField("X", FieldType::Float);
        }));
        v.push_back(sourceWith([](RecordTable& s) { // another type
            s.addField("ID", FieldType::Integer);
            s.addField("HEAD_ID", FieldType::SmallInt);
            s.addField("NAME", FieldType::String, 10);
            s.addField("X", FieldType::Float);
        }));
        v.push_back(sourceWith([](RecordTable& s) { // another order
            s.addField("HEAD_ID", FieldType::Integer);
            s.addField("ID", FieldType::Integer);
            s.addField("NAME", FieldType::String, 10);
            s.addField("X", FieldType::Float);
        }));
        return v;
    }();
    const std::vector<std::string> mine = rows(t);
    const uint64_t stamp = t.contentStamp();
    for (const auto& s : others) {
        EXPECT_FALSE(t.takeOverRecords(*s)) << s->fieldCount();
        EXPECT_TRUE(s->active());
    }
    EXPECT_EQ(rows(t), mine);
    EXPECT_EQ(t.contentStamp(), stamp);
}

TEST(LargeMemory, VectorsKeepTheirValuesAcrossTheLargeSizes)
{
    std::vector<uint32_t, LargeAllocator<uint32_t>> v;
    for (uint32_t i = 0; i < 3'000'000; ++i) v.push_back(i * 7); // grows through 1, 2, 4, 8 MB and more
    bool intact = true;
    for (uint32_t i = 0; i < v.size(); ++i) intact = intact && v[i] == i * 7;
    EXPECT_TRUE(intact);
    auto copy = v;
    v.clear();
    v.shrink_to_fit();
    EXPECT_EQ(copy[2'999'999], 2'999'999u * 7);

    QByteArray bytes = LargeByteArray(5 << 20);
    ASSERT_EQ(bytes.size(), 5 << 20);
    bytes.fill('z');
    EXPECT_EQ(bytes.count('z'), 5 << 20);
}
