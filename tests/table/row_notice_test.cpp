// What grids learn from a record table: row notices in view positions, in their place among the
// table's events, and a shadow of the rows kept from the notices alone that always matches the table.
#include "base/error.h"
#include "table/record_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace talvena;
using ::testing::ElementsAre;

namespace {

// Keeps, from the notices alone, what a grid would show: the stored row at each position (-1 for
// the pending new record) as the notices name it, and checks it against the table.
class ShadowGrid : public TableObserver {
public:
    explicit ShadowGrid(RecordTable& t) : t_(t) { reset(); }

    std::vector<std::string> log;
    bool diverged = false;

    void tableChanged(RecordTable&, TableChange c) override
    {
        static const char* names[] = {"Data", "Scroll", "State", "Layout"};
        log.push_back(names[int(c)]);
        if (c == TableChange::Layout) reset();
    }
    void rowsChanged(RecordTable&, const RowNotice& n) override
    {
        static const char* names[] = {"Changed", "PendingAdded", "PendingDropped", "Added", "Removed", "Moved", "Reset"};
        std::string entry = std::string(names[int(n.change)]) + "@" + std::to_string(n.position);
        if (n.change == RowChange::Moved) entry += "->" + std::to_string(n.to);
        if (n.change == RowChange::Reset) entry = "Reset";
        log.push_back(entry);
        // The rows are taken from the notices' row identities; a notice about a record the shadow
        // already holds must name that record's row.
        auto held = [&](int position) { return rows_[size_t(position)]; };
        switch (n.change) {
        case RowChange::Changed: // a posted new record gets its row here
            if (held(n.position) >= 0 && held(n.position) != n.row) diverged = true;
            rows_[size_t(n.position)] = n.row;
            break;
        case RowChange::PendingAdded: rows_.insert(rows_.begin() + n.position, -1); break;
        case RowChange::PendingDropped: rows_.erase(rows_.begin() + n.position); break;
        case RowChange::Removed:
            if (held(n.position) != n.row) diverged = true;
            rows_.erase(rows_.begin() + n.position);
            break;
        case RowChange::Added: rows_.insert(rows_.begin() + n.position, n.row); break;
        case RowChange::Moved: {
            if (held(n.position) >= 0 && held(n.position) != n.row) diverged = true;
            rows_.erase(rows_.begin() + n.position);
            rows_.insert(rows_.begin() + n.to, n.row);
            break;
        }
        case RowChange::Reset:
            if (n.row != -1) diverged = true;
            reset();
            break;
        }
        // Within one operation only the count must agree (a moved new record is identified by
        // the Changed notice that follows); the rows themselves are compared when it ends.
        if (int(rows_.size()) != t_.positionCount()) diverged = true;
    }

    bool matches() const
    {
        if (int(rows_.size()) != t_.positionCount()) return false;
        for (int p = 0; p < t_.positionCount(); ++p)
            if (rows_[size_t(p)] != t_.storedRowAt(p)) return false;
        return true;
    }

private:
    void reset()
    {
        rows_.clear();
        for (int p = 0; p < t_.positionCount(); ++p) rows_.push_back(t_.storedRowAt(p));
    }
    RecordTable& t_;
    std::vector<int64_t> rows_;
};

struct RowNotices : ::testing::Test {
    RecordTable t{"T"};
    std::vector<std::string> events;

    void SetUp() override
    {
        t.addField("ID", FieldType::Integer);
        t.addField("GROUP_ID", FieldType::Integer);
        t.addField("NAME", FieldType::String, 10);
        t.open();
        for (int i = 1; i <= 3; ++i) add(i * 10, i % 2);
    }
    void add(int id, int group)
    {
        t.append();
        t.fieldByName("ID").setInteger(id);
        t.fieldByName("GROUP_ID").setInteger(group);
        t.post();
    }
    // The shadow's log merged with the table's own events, for one operation.
    std::vector<std::string> during(ShadowGrid& g, const std::function<void()>& op)
    {
        g.log.clear();
        t.onNewRecord = [&](RecordTable&) { g.log.push_back("OnNewRecord"); };
        t.afterInsert = [&](RecordTable&) { g.log.push_back("AfterInsert"); };
        t.beforePost = [&](RecordTable&) { g.log.push_back("BeforePost"); };
        t.afterPost = [&](RecordTable&) { g.log.push_back("AfterPost"); };
        t.afterDelete = [&](RecordTable&) { g.log.push_back("AfterDelete"); };
        t.afterScroll = [&](RecordTable&) { g.log.push_back("AfterScroll"); };
        op();
        t.onNewRecord = t.afterInsert = t.beforePost = t.afterPost = t.afterDelete = t.afterScroll = nullptr;
        return g.log;
    }
};

} // namespace

TEST_F(RowNotices, ComeInTheirPlaceAmongTheEventsOfEachOperation)
{
    ShadowGrid g(t);
    t.addObserver(&g);
    t.moveTo(1);
    EXPECT_THAT(during(g, [&] { t.insert(); }),
                ElementsAre("PendingAdded@1", "State", "OnNewRecord", "AfterInsert", "AfterScroll"));
    EXPECT_THAT(during(g, [&] { t.fieldByName("ID").setInteger(15); }), ElementsAre("Changed@1", "Data"));
    // The inserted record takes the place it was shown at.
    EXPECT_THAT(during(g, [&] { t.post(); }), ElementsAre("BeforePost", "Changed@1", "State", "Data", "AfterPost"));
    EXPECT_THAT(during(g, [&] { t.append(); }),
                ElementsAre("PendingAdded@4", "State", "OnNewRecord", "AfterInsert", "AfterScroll"));
    // An untouched new record is dropped by the next move, which raises no post events.
    EXPECT_THAT(during(g, [&] { t.first(); }), ElementsAre("PendingDropped@4", "State", "Data", "AfterScroll",
                                                           "Scroll", "AfterScroll"));
    EXPECT_THAT(during(g, [&] { t.deleteRecord(); }), ElementsAre("Removed@0", "Data", "AfterDelete", "AfterScroll"));
    EXPECT_THAT(during(g, [&] { t.sort("ID:desc"); }), ElementsAre("Reset", "Data"));
    EXPECT_FALSE(g.diverged);
    t.removeObserver(&g);
}

TEST_F(RowNotices, AnEditThatMovesARecordInTheSortOrOutOfTheFilterSaysWhere)
{
    ShadowGrid g(t);
    t.addObserver(&g);
    t.sort("ID");
    t.first();
    t.edit();
    t.fieldByName("ID").setInteger(99);
    EXPECT_THAT(during(g, [&] { t.post(); }), ElementsAre("BeforePost", "Moved@0->2", "State", "Data", "AfterPost"));
    t.setFilterText("GROUP_ID=1");
    t.setFiltered(true);
    ASSERT_EQ(t.positionCount(), 2);
    t.first();
    t.edit();
    t.fieldByName("GROUP_ID").setInteger(0);
    EXPECT_THAT(during(g, [&] { t.post(); }), ElementsAre("BeforePost", "Removed@0", "State", "Data", "AfterPost"));
    // A new record the filter hides leaves the view when posted.
    t.append();
    t.fieldByName("GROUP_ID").setInteger(0);
    EXPECT_THAT(during(g, [&] { t.post(); }), ElementsAre("BeforePost", "PendingDropped@1", "State", "Data", "AfterPost"));
    EXPECT_FALSE(g.diverged);
    t.removeObserver(&g);
}

TEST_F(RowNotices, BulkWorkSendsOneResetWhenRefreshResumes)
{
    ShadowGrid g(t);
    t.addObserver(&g);
    g.log.clear();
    {
        RecordTable::RefreshSuspension suspended(t);
        for (int i = 0; i < 5; ++i) add(100 + i, 0);
        t.first();
        t.deleteRecord();
    }
    EXPECT_THAT(g.log, ElementsAre("Reset", "Data"));
    EXPECT_TRUE(g.matches());
    t.removeObserver(&g);
}

TEST_F(RowNotices, AShadowKeptFromNoticesAloneFollowsAnySequenceOfOperations)
{
    ShadowGrid g(t);
    t.addObserver(&g);
    std::mt19937 random(5);
    for (int step = 0; step < 3000; ++step) {
        try {
            switch (random() % 12) {
            case 0: t.append(); break;
            case 1: t.insert(); break;
            case 2: t.edit(); break;
            case 3:
                if (t.state() != TableState::Browse) t.fieldByName("ID").setInteger(int(random() % 50));
                break;
            case 4:
                if (t.state() != TableState::Browse) t.fieldByName("GROUP_ID").setInteger(int(random() % 2));
                break;
            case 5: t.post(); break;
            case 6: t.cancel(); break;
            case 7: if (t.positionCount() > 0) t.deleteRecord(); break;
            case 8: t.moveTo(int(random() % 8)); break;
            case 9: t.sort(random() % 3 == 0 ? QByteArray() : random() % 2 ? QByteArray("ID") : QByteArray("ID:desc")); break;
            case 10: t.setFilterText(random() % 2 ? "GROUP_ID=1" : "GROUP_ID=0"); t.setFiltered(random() % 2); break;
            case 11: t.last(); break;
            }
        } catch (const Error&) {
        }
        ASSERT_TRUE(g.matches()) << "after step " << step;
        ASSERT_FALSE(g.diverged) << "at step " << step;
    }
    t.removeObserver(&g);
}

TEST_F(RowNotices, PositionsReadValuesAndTextsWithoutMovingTheCurrentRecord)
{
    Field& name = t.fieldByName("NAME");
    int getTextCalls = 0;
    name.onGetText = [&](Field&, bool display) {
        ++getTextCalls;
        return (display ? "id " : "edit ") + t.fieldByName("ID").asString();
    };
    t.moveTo(2);
    t.insert();
    t.fieldByName("ID").setInteger(25);
    ASSERT_EQ(t.positionCount(), 4);
    EXPECT_EQ(t.pendingPosition(), 2);
    EXPECT_EQ(t.valueAt(2, t.fieldByName("ID")).integerValue(), 25);
    EXPECT_EQ(t.valueAt(3, t.fieldByName("ID")).integerValue(), 30);
    EXPECT_EQ(t.textAt(0, name, true), "id 10"); // the handler saw position 0's record as the active one
    EXPECT_EQ(t.textAt(3, name, false), "edit 30");
    EXPECT_EQ(t.textAt(2, name, true), "id 25");
    EXPECT_EQ(getTextCalls, 3);
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 25);
    EXPECT_EQ(t.storedRowAt(2), -1);
    EXPECT_TRUE(t.moveToStoredRow(uint32_t(t.storedRowAt(3)))); // posts the new record first
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 30);
    EXPECT_EQ(t.positionCount(), 4);
}

TEST(BigTableFilter, FollowsEveryChangeOfValuesAndOrderLikeAScan)
{
    // Big enough for the filter to keep an index of its values.
    RecordTable t("KONTUR");
    t.addField("ID", FieldType::Integer);
    t.addField("HEAD_ID", FieldType::Integer);
    t.open();
    std::vector<Value> values(2);
    t.beginLoad();
    for (int i = 0; i < 10000; ++i) {
        values[0] = Value::integer(i);
        values[1] = i % 7 == 0 ? Value() : Value::integer(i % 10);
        t.loadRecord(values, 0);
    }
    t.endLoad();
    const auto expected = [&](int head) {
        std::vector<int64_t> ids;
        for (int i = 0; i < t.storedCount(); ++i) {
            const uint32_t row = t.storedRow(i);
            if (!t.rowIsNull(row, t.fieldByName("HEAD_ID")) && t.rowInteger(row, t.fieldByName("HEAD_ID")) == head)
                ids.push_back(t.rowInteger(row, t.fieldByName("ID")));
        }
        return ids;
    };
    const auto shown = [&] {
        std::vector<int64_t> ids;
        for (int p = 0; p < t.recordCount(); ++p) ids.push_back(t.valueAt(p, t.fieldByName("ID")).integerValue());
        return ids;
    };
    t.setFiltered(true);
    for (int head : {3, 4, 3}) {
        t.setFilterText("HEAD_ID=" + QByteArray::number(head));
        EXPECT_EQ(shown(), expected(head)) << head;
    }
    // A point moved to another horizon, a new one, a deleted one and another order.
    t.first();
    t.edit();
    t.fieldByName("HEAD_ID").setInteger(4);
    t.post();
    t.append();
    t.fieldByName("ID").setInteger(99999);
    t.fieldByName("HEAD_ID").setInteger(4);
    t.post();
    t.setFilterText("HEAD_ID=4");
    EXPECT_EQ(shown(), expected(4));
    t.last();
    t.deleteRecord();
    t.sort("ID:desc");
    t.setFilterText("HEAD_ID=3");
    EXPECT_EQ(shown(), expected(3));
    t.setFilterText("HEAD_ID=77");
    EXPECT_TRUE(shown().empty());
}
