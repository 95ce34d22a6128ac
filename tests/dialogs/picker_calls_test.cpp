#include "base/error.h"
#include "dialogs/picker_calls.h"
#include "table/record_table.h"

#include <gtest/gtest.h>

using namespace talvena;

namespace {

// A horizon-like table with one posted record; counts its posts.
class PickerCalls : public ::testing::Test {
protected:
    PickerCalls()
    {
        table.addField("STRATIGR_ID", FieldType::Integer);
        table.addField("SCALE", FieldType::Integer);
        table.addField("INDEXOG", FieldType::String, 20);
        table.open();
        table.append();
        table.fieldByName("INDEXOG").setString("A");
        table.post();
        table.afterPost = [this](RecordTable&) { ++posts; };
    }

    // A picker that records what it was preset with and answers `answer`.
    Picker stub(std::optional<int> answer, const char* tag)
    {
        return [this, answer, tag](const Value& current) {
            opened.push_back(tag);
            presets.push_back(current);
            return answer;
        };
    }

    RecordTable table{"REFLECT_HORIZONTS"};
    int posts = 0;
    std::vector<std::string> opened;
    std::vector<Value> presets;
};

} // namespace

TEST_F(PickerCalls, ConfirmedChoiceIsWrittenAndPosted)
{
    PickIntoField(table, "SCALE", stub(50000, "scale"));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_TRUE(presets[0].isNull()); // the unset field is handed over as it is
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(table.fieldByName("SCALE").asInteger(), 50000);

    // "No value" is stored as 0, not as an unset field.
    PickIntoField(table, "SCALE", stub(0, "scale"));
    EXPECT_EQ(presets[1], Value::integer(50000));
    EXPECT_FALSE(table.fieldByName("SCALE").isNull());
    EXPECT_EQ(table.fieldByName("SCALE").asInteger(), 0);
}

TEST_F(PickerCalls, CancelLeavesTheFieldAndStillCommitsPendingEdits)
{
    PickIntoField(table, "STRATIGR_ID", stub(std::nullopt, "index"));
    EXPECT_TRUE(table.fieldByName("STRATIGR_ID").isNull());
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(posts, 0); // nothing was being edited

    table.edit();
    table.fieldByName("INDEXOG").setString("B");
    PickIntoField(table, "STRATIGR_ID", stub(std::nullopt, "index"));
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(table.fieldByName("INDEXOG").asString(), "B");
    EXPECT_TRUE(table.fieldByName("STRATIGR_ID").isNull());
}

TEST_F(PickerCalls, ChoiceJoinsARecordBeingInserted)
{
    table.append();
    table.fieldByName("INDEXOG").setString("C");
    PickIntoField(table, "STRATIGR_ID", stub(11, "index"));
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(table.recordCount(), 2);
    EXPECT_EQ(table.fieldByName("INDEXOG").asString(), "C");
    EXPECT_EQ(table.fieldByName("STRATIGR_ID").asInteger(), 11);
}

TEST_F(PickerCalls, RejectedValueReachesTheCaller)
{
    table.fieldByName("SCALE").onValidate = [](Field& f) {
        if (f.asInteger() < 0) throw Error("Значение должно быть больше нуля.");
    };
    EXPECT_THROW(PickIntoField(table, "SCALE", stub(-1, "scale")), Error);
    EXPECT_NE(table.state(), TableState::Browse); // the record stays in edit state
    table.cancel();
}

TEST_F(PickerCalls, GridColumnChoosesThePicker)
{
    PickForGridColumn(table, "_STRATIGR_ID", stub(1, "scale"), stub(12, "index"));
    PickForGridColumn(table, "_scale", stub(25000, "scale"), stub(1, "index"));
    EXPECT_EQ(opened, (std::vector<std::string>{"index", "scale"}));
    EXPECT_EQ(table.fieldByName("STRATIGR_ID").asInteger(), 12);
    EXPECT_EQ(table.fieldByName("SCALE").asInteger(), 25000);
    EXPECT_EQ(posts, 2);

    // Another column opens nothing but still commits the row being edited.
    table.edit();
    table.fieldByName("INDEXOG").setString("D");
    PickForGridColumn(table, "INDEXOG", stub(1, "scale"), stub(1, "index"));
    PickForGridColumn(table, "_stratigr_id_", stub(1, "scale"), stub(1, "index"));
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(posts, 3);
}
