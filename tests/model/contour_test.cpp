#include "model_fixture.h"

namespace talvena::test {
namespace {

class ContourTest : public ModuleTest {
protected:
    RecordTable& horizons() { return module.POSIB_PRODUCT_HOR; }
    RecordTable& points() { return module.KONTUR; }

    void addPoint(double x, double y = 1)
    {
        points().append();
        points().fieldByName("X").setFloat(x);
        points().fieldByName("Y").setFloat(y);
        points().post();
    }
    void goTo(int32_t horizonId) { ASSERT_TRUE(horizons().locate("ID", Value::integer(horizonId))); }
    int64_t countOf(int32_t horizonId)
    {
        const Field& id = horizons().fieldByName("ID");
        const Field& n = horizons().fieldByName("KONTURNUMPOINTS");
        for (int i = 0; i < horizons().storedCount(); ++i) {
            const uint32_t row = horizons().storedRow(i);
            if (horizons().rowInteger(row, id) == horizonId) return horizons().rowInteger(row, n);
        }
        ADD_FAILURE() << "no horizon " << horizonId;
        return -1;
    }
    double currentX() { return points().fieldByName("X").asFloat(); }
};

TEST_F(ContourTest, PointsFollowTheCurrentHorizon)
{
    const int32_t a = addProductHorizon("A");
    addPoint(1);
    addPoint(2);
    const int32_t b = addProductHorizon("B");
    addPoint(10);

    goTo(a);
    EXPECT_TRUE(points().filtered());
    EXPECT_EQ(points().filterText(), "HEAD_ID=" + QByteArray::number(a));
    EXPECT_EQ(points().recordCount(), 2);
    EXPECT_EQ(currentX(), 1); // the horizon's first point
    points().next();
    goTo(b);
    EXPECT_EQ(points().recordCount(), 1);
    EXPECT_EQ(currentX(), 10);
    EXPECT_EQ(points().fieldByName("HEAD_ID").asInteger(), b);

    // A horizon not yet posted has no points of its own: every point shows.
    horizons().append();
    EXPECT_FALSE(points().filtered());
    EXPECT_EQ(points().filterText(), "HEAD_ID=" + QByteArray::number(b));
    EXPECT_EQ(points().recordCount(), 3);

    // A horizon without points shows none.
    horizons().post();
    horizons().last();
    EXPECT_TRUE(points().isEmpty());
}

TEST_F(ContourTest, NewPointsTakeAnIdentifierAndTheirHorizon)
{
    const int32_t a = addProductHorizon();
    points().append();
    EXPECT_FALSE(points().fieldByName("ID").isNull());
    EXPECT_EQ(points().fieldByName("HEAD_ID").asInteger(), a);
    points().cancel();

    // Started while the current horizon has no identifier: it belongs to no horizon.
    horizons().append();
    points().append();
    EXPECT_EQ(points().fieldByName("HEAD_ID").value(), Value::integer(0));
    points().fieldByName("X").setFloat(5);
    points().post();
    horizons().post();
    EXPECT_EQ(pointCount(), 0);
    EXPECT_EQ(countOf(a), 0);
}

TEST_F(ContourTest, CountsFollowStoredAndDeletedPointsOnly)
{
    addProductHorizon();
    module.state().setModified(false);
    addPoint(1);
    EXPECT_EQ(pointCount(), 1);
    EXPECT_TRUE(module.state().modified());

    points().append(); // cancelled
    points().cancel();
    points().append(); // left untouched: the next move drops it
    points().first();
    EXPECT_EQ(points().recordCount(), 1);
    points().append(); // deleting a new record cancels it
    points().deleteRecord();
    EXPECT_EQ(pointCount(), 1);

    addPoint(2);
    addPoint(3);
    EXPECT_EQ(pointCount(), 3);
    points().first();
    points().deleteRecord();
    EXPECT_EQ(pointCount(), 2);
    module.state().setModified(false);
    points().deleteRecord();
    points().deleteRecord();
    EXPECT_EQ(pointCount(), 0);
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(horizons().state(), TableState::Browse);
}

TEST_F(ContourTest, PointPostedByMovingToAnotherHorizonCountsForItsOwnHorizon)
{
    const int32_t a = addProductHorizon("A");
    const int32_t b = addProductHorizon("B");
    goTo(a);
    points().append();
    points().fieldByName("X").setFloat(7);
    goTo(b); // stores the typed point of A
    EXPECT_EQ(countOf(a), 1);
    EXPECT_EQ(countOf(b), 0);
    EXPECT_EQ(horizons().fieldByName("ID").asInteger(), b);
    EXPECT_EQ(points().filterText(), "HEAD_ID=" + QByteArray::number(b));
    EXPECT_TRUE(points().isEmpty());

    points().append(); // untouched: dropped by the move, never counted
    goTo(a);
    EXPECT_EQ(countOf(a), 1);
    EXPECT_EQ(countOf(b), 0);
    EXPECT_EQ(points().recordCount(), 1);
}

TEST_F(ContourTest, CountsOwedWhileANewHorizonIsPendingAreWrittenWhenItIsPosted)
{
    const int32_t a = addProductHorizon("A");
    goTo(a);
    addPoint(1);
    points().append();
    points().fieldByName("X").setFloat(2);
    horizons().append(); // the filter goes off and stores A's typed point
    EXPECT_EQ(horizons().state(), TableState::Insert);
    EXPECT_EQ(points().recordCount(), 2);
    EXPECT_EQ(countOf(a), 1); // owed: writing it now would post the new horizon

    horizons().fieldByName("STRATIGRSVIT").setString("C");
    horizons().post();
    const int64_t c = horizons().fieldByName("ID").asInteger();
    EXPECT_EQ(countOf(a), 2);
    EXPECT_EQ(horizons().fieldByName("ID").asInteger(), c); // still on the new horizon
    EXPECT_TRUE(horizons().fieldByName("KONTURNUMPOINTS").isNull());

    // Every point still shows; deleting one of A's counts against A, not the current horizon.
    points().first();
    points().deleteRecord();
    EXPECT_EQ(countOf(a), 1);
    EXPECT_TRUE(horizons().fieldByName("KONTURNUMPOINTS").isNull());
    EXPECT_EQ(horizons().fieldByName("ID").asInteger(), c);
}

TEST_F(ContourTest, PointsCopiedWhileLoadingDoNotCount)
{
    const int32_t a = addProductHorizon("A");
    module.state().setLoading(true);
    for (int i = 0; i < 3; ++i) {
        points().append();
        points().fieldByName("HEAD_ID").setInteger(a);
        points().fieldByName("X").setFloat(i);
        points().post();
    }
    points().first();
    points().deleteRecord();
    module.state().setLoading(false);
    EXPECT_TRUE(horizons().fieldByName("KONTURNUMPOINTS").isNull());
    EXPECT_EQ(horizons().state(), TableState::Browse);
}

TEST_F(ContourTest, CoordinatesShowInTheTypeOfTheCurrentHorizon)
{
    addProductHorizon("DMS");
    horizons().edit();
    horizons().fieldByName("KONTURKOORDTYPE").setInteger(1);
    horizons().post();

    points().append();
    Field& x = points().fieldByName("X");
    EXPECT_EQ(x.displayText(), cp("0°0\"0"));
    x.setText("0,0,0");
    EXPECT_TRUE(x.isNull());
    x.setText("55,30,12.96");
    EXPECT_NEAR(x.asFloat(), 55.5036, 1e-12);
    EXPECT_EQ(x.displayText(), cp("55°30\"12.960"));
    EXPECT_EQ(x.editText(), cp("55°30\"12.960"));
    EXPECT_NE(errorOf([&] { x.setText("55.5"); }), "no error");
    points().post();

    // Another horizon of plain numbers shows the same stored number its own way.
    addProductHorizon("Plain");
    points().setFiltered(false);
    points().first();
    EXPECT_EQ(x.displayText(), "55.5036");
    points().edit();
    EXPECT_EQ(errorOf([&] { x.setText("55,5"); }), "'55,5' is not a valid floating point value");
    x.setText(" 7456321.25 ");
    EXPECT_EQ(x.asFloat(), 7456321.25);
}

} // namespace
} // namespace talvena::test
