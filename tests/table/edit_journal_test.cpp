// The edit journal against a model of states: random edits, inserts, deletes, bulk deletes,
// sorts, filters, direct writes and whole-table replacements, with undo and redo in between.
// After every undo or redo the stored records must equal what they were when that many steps
// were done; undoing everything gives the start, redoing everything the end.
#include "table/edit_journal.h"
#include "table/record_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

using namespace talvena;

namespace {

void define(RecordTable& t)
{
    t.addField("ID", FieldType::Integer);
    t.addField("HEAD", FieldType::Integer);
    t.addField("NAME", FieldType::String, 12);
    t.addField("X", FieldType::Float);
    t.addField({.name = "TWICE", .type = FieldType::Float, .kind = FieldKind::Calculated});
    t.onCalcFields = [](const RecordTable& tb) {
        tb.fieldByName("TWICE").setFloat(tb.fieldByName("X").asFloat() * 2);
    };
    t.open();
}

// What a save writes and more: every stored row in the order, with its status, the row count
// and the sort.
std::string dump(const RecordTable& t)
{
    std::string out = "sort=" + t.sortSpec().toStdString() + ";";
    for (int i = 0; i < t.storedCount(); ++i) {
        const uint32_t row = t.storedRow(i);
        out += std::to_string(row) + ":" + std::to_string(t.rowStatus(row));
        for (int f = 0; f < t.fieldCount(); ++f) {
            const Field& field = t.field(f);
            if (!field.isData()) continue;
            const Value v = t.rowValue(row, field);
            out += v.isNull() ? "|~" : v.isInteger() ? "|" + std::to_string(v.integerValue())
                                   : v.isReal()      ? "|" + std::to_string(v.realValue())
                                                     : "|" + v.bytesValue().toStdString();
        }
        out += ";";
    }
    return out;
}

struct Random {
    std::mt19937 gen;
    int operator()(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }
};

void fill(RecordTable& t, Random& r)
{
    t.fieldByName("ID").setInteger(r(1000));
    t.fieldByName("HEAD").setInteger(r(3));
    if (r(3) > 0) t.fieldByName("NAME").setString(QByteArray(1 + r(5), char('a' + r(26))));
    else t.fieldByName("NAME").clear();
    t.fieldByName("X").setFloat(r(100) / 4.0);
}

// One random change of the table, as one action or as the engine's own step.
void act(RecordTable& t, RecordTable& scratch, EditJournal& journal, Random& r)
{
    switch (r(12)) {
    case 0: case 1: case 2: { // a new record, appended or inserted
        if (r(2)) t.append();
        else t.insert();
        fill(t, r);
        t.post();
        break;
    }
    case 3: case 4: // an edit of the current record
        if (t.isEmpty()) break;
        t.moveTo(r(t.recordCount()));
        t.edit();
        if (r(2)) t.fieldByName("X").setFloat(r(100) / 4.0);
        else t.fieldByName("NAME").setString(QByteArray(1 + r(3), char('A' + r(26))));
        t.post();
        break;
    case 5: // a delete
        if (t.isEmpty()) break;
        t.moveTo(r(t.recordCount()));
        t.deleteRecord();
        break;
    case 6: // the records of one head, deleted in one pass
        t.setFilterText("HEAD=" + QByteArray::number(r(3)));
        t.setFiltered(true);
        t.deleteVisibleRecords();
        t.setFiltered(false);
        break;
    case 7: { // an action of several changes: a bulk import of points
        const EditJournal::Action action(&journal, QStringLiteral("Импорт"));
        const int n = 1 + r(40);
        for (int i = 0; i < n; ++i) {
            t.append();
            fill(t, r);
            t.post();
        }
        if (!t.isEmpty()) {
            t.moveTo(r(t.recordCount()));
            t.deleteRecord();
        }
        break;
    }
    case 8: { // a sort, which belongs to the step before it
        static const char* specs[] = {"", "ID", "NAME:D", "X:C", "HEAD"};
        t.sort(specs[r(5)]);
        break;
    }
    case 9: // a filter, which changes no stored record
        t.setFilterText("HEAD=" + QByteArray::number(r(3)));
        t.setFiltered(r(2) == 0);
        break;
    case 10: { // a direct write
        if (t.storedCount() == 0) break;
        t.setRowValue(t.storedRow(r(t.storedCount())), t.fieldByName("HEAD"), Value::integer(r(3)));
        break;
    }
    case 11: { // every record replaced at once, as a loaded table is taken over
        scratch.open();
        const int n = r(20);
        for (int i = 0; i < n; ++i) {
            scratch.append();
            fill(scratch, r);
            scratch.post();
        }
        t.takeOverRecords(scratch);
        break;
    }
    }
}

TEST(EditJournal, RandomActionsUndoAndRedoToExactlyTheStatesTheyLeft)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        RecordTable t("T"), scratch("S");
        define(t);
        define(scratch);
        EditJournal journal;
        t.setJournal(&journal);
        Random r{std::mt19937(seed)};

        std::map<size_t, std::string> states{{0, dump(t)}};
        for (int i = 0; i < 1000; ++i) {
            if (journal.canUndo() && r(10) == 0) {
                const int back = 1 + r(3);
                for (int k = 0; k < back && journal.undo(); ++k)
                    ASSERT_EQ(dump(t), states[journal.doneSteps()]) << "seed " << seed << " action " << i;
                if (r(2)) {
                    journal.redo();
                    ASSERT_EQ(dump(t), states[journal.doneSteps()]) << "seed " << seed << " action " << i;
                }
                continue;
            }
            act(t, scratch, journal, r);
            states[journal.doneSteps()] = dump(t);
        }
        const std::string final = dump(t);
        const size_t done = journal.doneSteps();
        ASSERT_GT(done, 100u);
        while (journal.undo()) ASSERT_EQ(dump(t), states[journal.doneSteps()]) << "seed " << seed;
        EXPECT_EQ(dump(t), states[0]);
        while (journal.redo()) ASSERT_EQ(dump(t), states[journal.doneSteps()]) << "seed " << seed;
        EXPECT_EQ(journal.doneSteps(), done);
        EXPECT_EQ(dump(t), final);
        // The table is usable afterwards: calculated values follow the restored records.
        if (!t.isEmpty()) {
            t.first();
            EXPECT_EQ(t.fieldByName("TWICE").asFloat(), t.fieldByName("X").asFloat() * 2);
        }
    }
}

TEST(EditJournal, StepsAreNamedByTheirActionAndTheSavedStateIsFollowed)
{
    RecordTable t("T");
    define(t);
    EditJournal journal;
    t.setJournal(&journal);
    EXPECT_FALSE(journal.canUndo());
    t.append();
    t.fieldByName("ID").setInteger(1);
    t.post();
    EXPECT_EQ(journal.undoName(), QStringLiteral("Добавление записи"));
    journal.markSaved();
    {
        const EditJournal::Action action(&journal, QStringLiteral("Импорт контура"));
        for (int i = 0; i < 3; ++i) {
            t.append();
            t.fieldByName("ID").setInteger(10 + i);
            t.post();
        }
    }
    EXPECT_EQ(journal.stepCount(), 2u);
    EXPECT_EQ(journal.undoName(), QStringLiteral("Импорт контура"));
    EXPECT_FALSE(journal.atSavedState());
    ASSERT_TRUE(journal.undo());
    EXPECT_TRUE(journal.atSavedState());
    EXPECT_EQ(t.storedCount(), 1);
    EXPECT_EQ(journal.redoName(), QStringLiteral("Импорт контура"));
    ASSERT_TRUE(journal.redo());
    EXPECT_FALSE(journal.atSavedState());
    EXPECT_EQ(t.storedCount(), 4);

    // An edit that changes nothing is no step; a new step after an undo drops what could be redone.
    t.first();
    t.edit();
    t.post();
    EXPECT_EQ(journal.stepCount(), 2u);
    journal.undo();
    t.first();
    t.edit();
    t.fieldByName("X").setFloat(2.5);
    t.post();
    EXPECT_FALSE(journal.canRedo());
    EXPECT_EQ(journal.undoPlace().table, &t);
    EXPECT_EQ(journal.undoPlace().field, "X");
    // The saved state was after the first step; it is still reachable by undo.
    journal.undo();
    EXPECT_TRUE(journal.atSavedState());
}

TEST(EditJournal, MemoryFollowsWhatChangedNotTheTableSize)
{
    RecordTable t("T");
    define(t);
    EditJournal journal;
    {
        std::vector<Value> values(4);
        t.beginLoad();
        for (int i = 0; i < 100000; ++i) {
            values = {Value::integer(i), Value::integer(i % 3), Value(), Value::real(i)};
            t.loadRecord(values, 0);
        }
        t.endLoad();
    }
    t.setJournal(&journal);
    for (int i = 0; i < 10000; ++i) {
        t.moveTo(i * 7);
        t.edit();
        t.fieldByName("X").setFloat(-i);
        t.post();
    }
    EXPECT_EQ(journal.stepCount(), 10000u);
    EXPECT_LE(journal.memoryBytes(), 10u * 1000 * 1000);
}

} // namespace
