#include "base/cp1251.h"
#include "base/error.h"
#include "support/error_of.h"
#include "table/record_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace talvena;
using talvena::testsupport::errorOf;
using ::testing::ElementsAre;

namespace {

// Engine texts are CP1251; the test sources are UTF-8.
QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

// A table with ID (required), NAME String(10), VALUE Float, and an event log.
struct Fixture : ::testing::Test {
    RecordTable t{"T"};
    std::vector<std::string> log;

    void SetUp() override
    {
        t.addField("ID", FieldType::Integer, 0, true);
        t.addField("NAME", FieldType::String, 10);
        t.addField("VALUE", FieldType::Float);
        t.open();
        t.onNewRecord = [this](RecordTable&) { log.push_back("OnNewRecord"); };
        t.afterInsert = [this](RecordTable&) { log.push_back("AfterInsert"); };
        t.beforePost = [this](RecordTable&) { log.push_back("BeforePost"); };
        t.afterPost = [this](RecordTable&) { log.push_back("AfterPost"); };
        t.afterDelete = [this](RecordTable&) { log.push_back("AfterDelete"); };
        t.afterScroll = [this](RecordTable&) { log.push_back("AfterScroll"); };
    }
    void add(int id, const char* name = nullptr)
    {
        t.append();
        t.fieldByName("ID").setInteger(id);
        if (name) t.fieldByName("NAME").setString(cp(name));
        t.post();
    }
    std::vector<int64_t> ids()
    {
        std::vector<int64_t> out;
        for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName("ID").asInteger());
        return out;
    }
};

} // namespace

TEST_F(Fixture, AppendRaisesEventsInOrderAndNewRecordStartsUnmodified)
{
    t.onNewRecord = [this](RecordTable& tb) {
        log.push_back("OnNewRecord");
        tb.fieldByName("ID").setInteger(7); // a default does not make the record modified
    };
    t.append();
    EXPECT_THAT(log, ElementsAre("OnNewRecord", "AfterInsert", "AfterScroll"));
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_FALSE(t.modified());
    // Settling an unmodified new record drops it.
    t.first();
    EXPECT_EQ(t.recordCount(), 0);
}

TEST_F(Fixture, EditOnEmptyTableInsertsAndPostAddsTheRecord)
{
    t.edit();
    EXPECT_THAT(log, ElementsAre("OnNewRecord", "AfterInsert", "AfterScroll"));
    EXPECT_EQ(t.state(), TableState::Insert);
    t.fieldByName("ID").setInteger(1);
    log.clear();
    t.post();
    EXPECT_THAT(log, ElementsAre("BeforePost", "AfterPost"));
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.state(), TableState::Browse);
}

TEST_F(Fixture, PostAndCancelInBrowseDoNothing)
{
    add(1);
    log.clear();
    t.post();
    t.cancel();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(t.recordCount(), 1);
}

TEST_F(Fixture, AppendWhileEditingPostsChangesOrDropsUntouchedEdit)
{
    add(1);
    t.edit();
    t.fieldByName("NAME").setString("changed");
    t.append(); // settles: the change is posted
    t.cancel();
    t.first();
    EXPECT_EQ(t.fieldByName("NAME").asString(), "changed");

    t.edit();
    log.clear();
    t.append(); // nothing changed: the edit is dropped without a post
    EXPECT_THAT(log, ElementsAre("OnNewRecord", "AfterInsert", "AfterScroll"));
}

TEST_F(Fixture, CancelledNewRecordRaisesAfterScrollButNoAfterDelete)
{
    add(1);
    add(2);
    t.first();
    t.insert();
    log.clear();
    t.cancel();
    EXPECT_THAT(log, ElementsAre("AfterScroll"));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 1);
    // delete in state insert cancels too
    t.append();
    log.clear();
    t.deleteRecord();
    EXPECT_THAT(log, ElementsAre("AfterScroll"));
    EXPECT_EQ(t.recordCount(), 2);
}

TEST_F(Fixture, InsertGoesBeforeCurrentAndAppendGoesLast)
{
    add(1);
    add(2);
    t.first();
    t.next();
    t.insert();
    t.fieldByName("ID").setInteger(9);
    t.post();
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 9);
    EXPECT_THAT(ids(), ElementsAre(1, 9, 2));
}

TEST_F(Fixture, DeleteMakesNextCurrentAndRaisesAfterDeleteThenAfterScroll)
{
    add(1);
    add(2);
    add(3);
    t.first();
    t.next();
    log.clear();
    t.deleteRecord();
    EXPECT_THAT(log, ElementsAre("AfterDelete", "AfterScroll"));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 3);
    t.deleteRecord();
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 1); // the new last one
    t.deleteRecord();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(errorOf([&] { t.deleteRecord(); }), "Cannot perform this operation on an empty dataset");
}

TEST_F(Fixture, NavigationSetsEndFlagOnlyAfterPassingTheLastRecord)
{
    EXPECT_TRUE(t.eof());
    add(1);
    add(2);
    t.first();
    EXPECT_FALSE(t.eof());
    log.clear();
    t.next();
    EXPECT_FALSE(t.eof());
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_THAT(log, ElementsAre("AfterScroll")); // only the real move scrolls
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 2);
}

TEST_F(Fixture, WritesAreRefusedOutsideEditAndOnReadOnlyTables)
{
    add(1);
    EXPECT_EQ(errorOf([&] { t.fieldByName("ID").setInteger(3); }), "Dataset not in edit or insert mode");
    t.setReadOnly(true);
    EXPECT_EQ(errorOf([&] { t.edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(errorOf([&] { t.append(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(t.state(), TableState::Browse);
}

TEST_F(Fixture, ConversionAndFieldErrorsCarryExactMessages)
{
    t.addField("SMALL", FieldType::SmallInt);
    t.append();
    EXPECT_EQ(errorOf([&] { t.fieldByName("ID").setText("12a"); }),
              "'12a' is not a valid integer value for field 'ID'");
    EXPECT_EQ(errorOf([&] { t.fieldByName("SMALL").setInteger(40000); }),
              "40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767");
    // Beyond 32 bits an Integer text is simply no integer; the range message is Smallint's.
    EXPECT_EQ(errorOf([&] { t.fieldByName("ID").setText("3000000000"); }),
              "'3000000000' is not a valid integer value for field 'ID'");
    EXPECT_EQ(errorOf([&] { t.fieldByName("ID").setInteger(-3000000000LL); }),
              "'-3000000000' is not a valid integer value for field 'ID'");
    t.fieldByName("ID").setText("2147483647");
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 2147483647);
    t.cancel();
    t.append();
    EXPECT_EQ(errorOf([&] { t.fieldByName("VALUE").setText("1,5"); }),
              "'1,5' is not a valid floating point value for field 'VALUE'");
    EXPECT_EQ(errorOf([&] { t.fieldByName("MISSING"); }), "Field 'MISSING' not found");
    EXPECT_EQ(errorOf([&] { t.post(); }), "Field 'ID' must have a value");
    EXPECT_EQ(t.state(), TableState::Insert); // a failed post keeps the pending record
    EXPECT_EQ(errorOf([&] { t.setFilterText("ID>5"); }), "Incorrectly formed filter expression");
    EXPECT_EQ(errorOf([&] { t.sort("NOPE:desc"); }), "Field 'NOPE' not found");
}

TEST_F(Fixture, TextConversionOfFields)
{
    t.append();
    t.fieldByName("ID").setText("-42");
    t.fieldByName("VALUE").setText("1.5E3");
    t.fieldByName("NAME").setText(QByteArray(200, 'x')); // cut to the size
    EXPECT_EQ(t.fieldByName("ID").asInteger(), -42);
    EXPECT_EQ(t.fieldByName("VALUE").asFloat(), 1500.0);
    EXPECT_EQ(t.fieldByName("NAME").asString().size(), 10);
    t.fieldByName("VALUE").setDisplayFormat("#########0.###");
    t.fieldByName("VALUE").setFloat(1234.56789);
    EXPECT_EQ(t.fieldByName("VALUE").displayText(), "1234.568");
    EXPECT_EQ(t.fieldByName("VALUE").editText(), "1234.56789");
    t.fieldByName("VALUE").setText("");
    EXPECT_TRUE(t.fieldByName("VALUE").isNull());
    EXPECT_EQ(t.fieldByName("VALUE").asFloat(), 0.0);
    EXPECT_EQ(t.fieldByName("VALUE").displayText(), "");
}

TEST_F(Fixture, ValidateSeesTheNewValueAndARejectionKeepsTheOldOne)
{
    Field& value = t.fieldByName("VALUE");
    value.onValidate = [](Field& f) {
        if (f.asFloat() <= 0) throw Error("Значение должно быть больше нуля.");
    };
    std::vector<std::string> changes;
    value.onChange = [&](Field& f) { changes.push_back(f.asString().toStdString()); };
    t.append();
    t.fieldByName("ID").setInteger(1);
    value.setFloat(2.5);
    EXPECT_EQ(errorOf([&] { value.setFloat(-1); }), "Значение должно быть больше нуля.");
    EXPECT_EQ(value.asFloat(), 2.5);
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_THAT(changes, ElementsAre("2.5"));
}

TEST_F(Fixture, BeforePostErrorKeepsPendingValues)
{
    t.beforePost = [](RecordTable&) { throw Error("stop"); };
    t.append();
    t.fieldByName("ID").setInteger(5);
    EXPECT_EQ(errorOf([&] { t.post(); }), "stop");
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 5);
}

TEST_F(Fixture, FilterHidesRecordsAndIsCheckedWhenRecordsComeIntoView)
{
    t.addField("HEAD_ID", FieldType::Integer);
    for (int i = 1; i <= 6; ++i) {
        t.append();
        t.fieldByName("ID").setInteger(i);
        if (i != 6) t.fieldByName("HEAD_ID").setInteger(i % 3);
        t.post();
    }
    // Setting the text while the flag is off only checks it.
    t.last();
    t.setFilterText("HEAD_ID=1");
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 6);
    EXPECT_EQ(t.recordCount(), 6);

    log.clear();
    t.setFiltered(true);
    EXPECT_THAT(log, ElementsAre("AfterScroll"));
    EXPECT_THAT(ids(), ElementsAre(1, 4));
    t.setFilterText("HEAD_ID=1 OR HEAD_ID=0");
    EXPECT_THAT(ids(), ElementsAre(1, 3, 4)); // the NULL HEAD_ID of record 6 matches no term
    EXPECT_FALSE(t.locate("ID", Value::integer(2)));

    // A record that stops passing after its post disappears from view.
    t.first();
    t.edit();
    t.fieldByName("HEAD_ID").setInteger(2);
    t.post();
    EXPECT_THAT(ids(), ElementsAre(3, 4));
    // A new record that does not pass is stored but not visible.
    t.append();
    t.fieldByName("ID").setInteger(7);
    t.fieldByName("HEAD_ID").setInteger(2);
    t.post();
    EXPECT_EQ(t.recordCount(), 2);
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 7);
    t.setFiltered(false); // the same value does nothing
}

TEST_F(Fixture, SettingTheFilterTextWhileTheFilterIsOffLeavesPendingRecordsAlone)
{
    t.addField("HEAD_ID", FieldType::Integer);
    add(1);
    add(2);
    t.edit();
    t.fieldByName("NAME").setString("pending");
    log.clear();
    t.setFilterText("HEAD_ID=1");
    EXPECT_EQ(t.state(), TableState::Edit);
    EXPECT_EQ(t.fieldByName("NAME").asString(), "pending");
    EXPECT_TRUE(log.empty());
    t.cancel();
    EXPECT_TRUE(t.fieldByName("NAME").isNull());

    // A new record is neither posted nor dropped.
    t.append();
    t.fieldByName("ID").setInteger(3);
    t.setFilterText("HEAD_ID=2");
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 3);
    EXPECT_EQ(t.recordCount(), 2);
    // With the filter on, a new text settles the record first.
    t.post();
    t.setFilterText("ID=1 OR ID=2");
    t.setFiltered(true);
    t.edit();
    t.fieldByName("NAME").setString("x");
    t.setFilterText("ID=2");
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_THAT(ids(), ElementsAre(2));
}

TEST_F(Fixture, APostTellsWhetherItChangedAStoredValue)
{
    add(1, "a");
    EXPECT_TRUE(t.lastPostChanged()); // a new record with values
    t.edit();
    t.post();
    EXPECT_FALSE(t.lastPostChanged());
    t.edit();
    t.fieldByName("NAME").setString("a"); // the same value written again
    t.fieldByName("VALUE").clear();       // NULL over NULL
    t.post();
    EXPECT_FALSE(t.lastPostChanged());
    t.edit();
    t.fieldByName("VALUE").setFloat(0); // 0 is not NULL
    t.post();
    EXPECT_TRUE(t.lastPostChanged());
    t.edit();
    t.beforePost = [](RecordTable& tb) { tb.fieldByName("NAME").setString("b"); };
    t.post();
    EXPECT_TRUE(t.lastPostChanged()); // what BeforePost wrote counts
    t.beforePost = nullptr;
    // A new record holding only what OnNewRecord put in changes nothing; one written into does.
    t.onNewRecord = [](RecordTable& tb) { tb.fieldByName("ID").setInteger(9); };
    t.append();
    t.post();
    EXPECT_FALSE(t.lastPostChanged());
    EXPECT_EQ(t.recordCount(), 2); // stored all the same
    t.append();
    t.fieldByName("NAME").setString("c");
    t.post();
    EXPECT_TRUE(t.lastPostChanged());
}

TEST_F(Fixture, LocateComparesTextWithOrWithoutCase)
{
    add(1, "Нефть");
    add(2, "газ");
    EXPECT_FALSE(t.locate("NAME", Value::bytes(cp("нефть"))));
    EXPECT_TRUE(t.locate("name", Value::bytes(cp("нефть")), true));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 1);
    EXPECT_TRUE(t.locate("ID", Value::integer(2)));
    EXPECT_FALSE(t.locate("ID", Value::integer(3)));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 2); // unchanged when not found
}

TEST_F(Fixture, SortAscendingDescendingAndBackToAdditionOrder)
{
    add(1, "b");
    add(2, "A");
    add(3, "a");
    add(4);
    add(5, "C");
    t.sort("NAME");
    EXPECT_THAT(ids(), ElementsAre(4, 2, 5, 3, 1)); // NULL first, then letter case significant
    t.sort("NAME:desc");                             // descending and ignoring letter case
    EXPECT_THAT(ids(), ElementsAre(5, 1, 2, 3, 4)); // "A" and "a" equal, kept in their order

    // A posted record takes its place in the order.
    t.sort("NAME");
    add(6, "B");
    EXPECT_THAT(ids(), ElementsAre(4, 2, 6, 5, 3, 1));
    t.sort("");
    EXPECT_THAT(ids(), ElementsAre(1, 2, 3, 4, 5, 6));
}

TEST_F(Fixture, CyrillicSortsAlphabeticallyWithYoBesideYe)
{
    add(1, "жук");
    add(2, "ёж");
    add(3, "ель");
    add(4, "дом");
    t.sort("NAME");
    EXPECT_THAT(ids(), ElementsAre(4, 3, 2, 1));
}

TEST(RecordTableLookupAndCalc, LookupFollowsVisibleRecordsOfTheLookupTable)
{
    RecordTable dict("Dict1");
    dict.addField("ID", FieldType::Integer);
    dict.addField("NAME", FieldType::String, 50);
    dict.addField("PARENT_ID", FieldType::Integer);
    dict.open();
    for (int i = 1; i <= 3; ++i) {
        dict.append();
        dict.fieldByName("ID").setInteger(i);
        dict.fieldByName("NAME").setString(QByteArray("name") + QByteArray::number(i));
        dict.fieldByName("PARENT_ID").setInteger(i == 3 ? 1 : 0);
        dict.post();
    }
    RecordTable t("PASPORTS");
    t.addField("DICT_ID", FieldType::Integer);
    const FieldDef lk{.name = "_dict",
                      .type = FieldType::String,
                      .size = 50,
                      .kind = FieldKind::Lookup,
                      .lookup = {"DICT_ID", &dict, "ID", "NAME"}};
    Field& look = t.addField(lk);
    t.open();
    t.append();
    EXPECT_TRUE(look.isNull()); // NULL key
    t.fieldByName("DICT_ID").setInteger(3);
    EXPECT_EQ(look.asString(), "name3");
    t.fieldByName("DICT_ID").setInteger(9);
    EXPECT_TRUE(look.isNull()); // no such key
    t.fieldByName("DICT_ID").setInteger(3);
    t.post();
    dict.setFilterText("PARENT_ID=0");
    dict.setFiltered(true);
    EXPECT_TRUE(look.isNull()); // the matching record is hidden
    dict.setFiltered(false);
    EXPECT_EQ(look.asString(), "name3");
    EXPECT_EQ(look.objectName(), "PASPORTS_dict");
    FieldDef shortLookup = lk;
    shortLookup.name = "_short";
    shortLookup.size = 3;
    EXPECT_EQ(t.addField(shortLookup).asString(), "nam"); // cut to the lookup field's width
    // lookup fields sort too
    t.append();
    t.fieldByName("DICT_ID").setInteger(1);
    t.post();
    t.sort("_dict");
    t.first();
    EXPECT_EQ(look.asString(), "name1");
}

TEST(RecordTableLookupAndCalc, CalculatedFieldsAreComputedOnViewAndAfterEveryWrite)
{
    RecordTable t("T");
    t.addField("A", FieldType::Float);
    Field& calc = t.addField({.name = "CALC_DOUBLE", .type = FieldType::Float, .kind = FieldKind::Calculated});
    Field& unset = t.addField({.name = "CALC_UNSET", .type = FieldType::Float, .kind = FieldKind::Calculated});
    int runs = 0;
    t.onCalcFields = [&](const RecordTable& tb) {
        ++runs;
        EXPECT_EQ(tb.state(), TableState::Calculating);
        EXPECT_TRUE(tb.fieldByName("CALC_DOUBLE").isNull()); // NULL until set in this run
        if (!tb.fieldByName("A").isNull()) tb.fieldByName("CALC_DOUBLE").setFloat(tb.fieldByName("A").asFloat() * 2);
        EXPECT_THROW(tb.fieldByName("A").setFloat(1), Error); // only calculated fields are writable
    };
    std::vector<double> seenInOnChange;
    t.fieldByName("A").onChange = [&](Field&) { seenInOnChange.push_back(calc.asFloat()); };
    t.open();
    t.append();
    t.fieldByName("A").setFloat(1.5);
    EXPECT_EQ(calc.asFloat(), 3.0);
    EXPECT_THAT(seenInOnChange, ElementsAre(3.0)); // recalculated before the change handler
    t.post();
    t.append();
    t.fieldByName("A").setFloat(10);
    t.post();
    t.first();
    EXPECT_EQ(calc.asFloat(), 3.0);
    EXPECT_TRUE(unset.isNull());
    EXPECT_EQ(unset.asFloat(), 0.0);
    EXPECT_EQ(unset.asString(), "");
    EXPECT_EQ(t.rowValue(t.visibleRow(1), calc).realValue(), 20.0); // another row, as a grid reads it
    EXPECT_GT(runs, 0);
    t.sort("CALC_DOUBLE:D");
    t.first();
    EXPECT_EQ(calc.asFloat(), 20.0);
}

TEST(RecordTableNesting, ChangeHandlerMayWriteOtherFieldsAndOtherTables)
{
    RecordTable head("HEAD"), points("POINTS");
    head.addField("ID", FieldType::Integer);
    head.addField("COUNT", FieldType::Integer);
    head.open();
    head.append();
    head.fieldByName("ID").setInteger(1);
    head.post();
    points.addField("HEAD_ID", FieldType::Integer);
    points.addField("X", FieldType::Float);
    points.addField("Y", FieldType::Float);
    points.open();
    points.fieldByName("X").onChange = [](Field& f) { f.table().fieldByName("Y").setFloat(f.asFloat() + 1); };
    points.afterPost = [&](RecordTable&) {
        head.edit();
        head.fieldByName("COUNT").setInteger(head.fieldByName("COUNT").asInteger() + 1);
        head.post();
    };
    for (int i = 0; i < 3; ++i) {
        points.append();
        points.fieldByName("X").setFloat(i);
        points.post();
    }
    EXPECT_EQ(points.fieldByName("Y").asFloat(), 3.0);
    EXPECT_EQ(head.fieldByName("COUNT").asInteger(), 3);
}

namespace {
struct CountingObserver : TableObserver {
    int changes = 0, updates = 0;
    void tableChanged(RecordTable&, TableChange) override { ++changes; }
    void updateRecord(RecordTable&) override { ++updates; }
};
} // namespace

TEST_F(Fixture, SuspendedRefreshNestsAndNotifiesOnceAtTheEnd)
{
    CountingObserver o;
    t.addObserver(&o);
    t.suspendRefresh();
    t.suspendRefresh();
    add(1);
    add(2);
    t.resumeRefresh();
    EXPECT_EQ(o.changes, 0);
    t.resumeRefresh();
    EXPECT_EQ(o.changes, 1);
    EXPECT_GT(o.updates, 0); // events and post-time updates keep running
    o.changes = 0;
    t.empty(); // no record events, one refresh
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(o.changes, 1);
    t.removeObserver(&o);
}

TEST(RecordTableFields, FieldNamesIgnoreCaseAndObjectNamesJoinTableAndField)
{
    RecordTable t("POSIB_PRODUCT_HOR");
    Field& f = t.addField("OILSQUAREMIN", FieldType::Float);
    EXPECT_EQ(&t.fieldByName("oilsquaremin"), &f);
    EXPECT_EQ(f.objectName(), "POSIB_PRODUCT_HOROILSQUAREMIN");
    EXPECT_EQ(t.findFieldByObjectName("POSIB_PRODUCT_HOROILSQUAREMIN"), &f);
    EXPECT_EQ(t.findFieldByObjectName("nothing"), nullptr);
    EXPECT_TRUE(f.isValidChar('E') && f.isValidChar('.') && !f.isValidChar(','));
    Field& i = t.addField("N", FieldType::Integer);
    EXPECT_TRUE(i.isValidChar('-') && !i.isValidChar('.'));
}

TEST_F(Fixture, SnapshotRestoresRecordsFilterAndPendingEdit)
{
    t.addField("HEAD_ID", FieldType::Integer);
    add(1);
    add(2);
    add(3);
    t.setFilterText("HEAD_ID=0");
    t.first();
    t.edit();
    t.fieldByName("NAME").setString("pending");
    const RecordTable::Snapshot s = t.takeSnapshot();

    // Everything changes: the pending edit is dropped, records go, the filter and sort change.
    t.cancel();
    t.empty();
    add(9);
    t.setFiltered(true);
    t.sort("ID:desc");

    t.restoreSnapshot(s);
    EXPECT_EQ(t.state(), TableState::Edit);
    EXPECT_EQ(t.fieldByName("NAME").asString(), "pending");
    EXPECT_FALSE(t.filtered());
    EXPECT_EQ(t.filterText(), "HEAD_ID=0");
    EXPECT_TRUE(t.sortSpec().isEmpty());
    t.post();
    EXPECT_THAT(ids(), ElementsAre(1, 2, 3));
    t.first();
    EXPECT_EQ(t.fieldByName("NAME").asString(), "pending");
}

TEST_F(Fixture, DeletingAllVisibleRecordsKeepsTheHiddenOnesAndTheirOrder)
{
    t.addField("HEAD_ID", FieldType::Integer);
    for (int i = 1; i <= 8; ++i) {
        t.append();
        t.fieldByName("ID").setInteger(i);
        t.fieldByName("HEAD_ID").setInteger(i % 2);
        t.post();
    }
    t.sort("ID:desc");
    t.setFilterText("HEAD_ID=1");
    t.setFiltered(true);
    // A pending change is posted first and counts among the deleted records.
    t.append();
    t.fieldByName("ID").setInteger(9);
    t.fieldByName("HEAD_ID").setInteger(1);
    log.clear();
    EXPECT_EQ(t.deleteVisibleRecords(), 5);
    EXPECT_THAT(log, ElementsAre("BeforePost", "AfterPost")); // no per-record events
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.deleteVisibleRecords(), 0);

    t.setFiltered(false);
    EXPECT_THAT(ids(), ElementsAre(8, 6, 4, 2));
    t.sort(""); // the order of addition comes back without the deleted records
    EXPECT_THAT(ids(), ElementsAre(2, 4, 6, 8));
    add(10);
    EXPECT_THAT(ids(), ElementsAre(2, 4, 6, 8, 10));

    t.setReadOnly(true);
    EXPECT_EQ(errorOf([&] { t.deleteVisibleRecords(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(t.storedCount(), 5);
    t.setReadOnly(false);

    // Without a filter every record goes.
    const uint64_t before = t.version();
    EXPECT_EQ(t.deleteVisibleRecords(), 5);
    EXPECT_EQ(t.storedCount(), 0);
    EXPECT_NE(t.version(), before);
}
