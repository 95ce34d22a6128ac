#include "support/stored_points.h"
#include "model/contour_editing.h"
#include "model_fixture.h"
#include "rule_messages.h"
#include "table/table_observer.h"

#include <gmock/gmock.h>

namespace talvena::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class ContourEditingTest : public ModuleTest {
protected:
    RecordTable& horizons() { return module.POSIB_PRODUCT_HOR; }
    RecordTable& points() { return module.KONTUR; }

    int32_t addHorizon(const char* name, int coordType = 0)
    {
        const int32_t id = addProductHorizon(name);
        if (coordType != 0) {
            horizons().edit();
            horizons().fieldByName("KONTURKOORDTYPE").setInteger(coordType);
            horizons().post();
        }
        return id;
    }
    void goTo(int32_t id) { ASSERT_TRUE(horizons().locate("ID", Value::integer(id))); }
    void addPoint(double x, double y)
    {
        points().append();
        points().fieldByName("X").setFloat(x);
        points().fieldByName("Y").setFloat(y);
        points().post();
    }
    std::vector<std::pair<double, double>> pointsOf(int32_t id) { return StoredPointsOf(points(), id); }
    std::vector<double> xsOf(int32_t id)
    {
        std::vector<double> xs;
        for (const auto& p : pointsOf(id)) xs.push_back(p.first);
        return xs;
    }
    Value storedCount(int32_t id)
    {
        const Field& idField = horizons().fieldByName("ID");
        for (int i = 0; i < horizons().storedCount(); ++i) {
            const uint32_t row = horizons().storedRow(i);
            if (horizons().rowInteger(row, idField) == id)
                return horizons().rowValue(row, horizons().fieldByName("KONTURNUMPOINTS"));
        }
        ADD_FAILURE() << "no horizon " << id;
        return {};
    }
    int32_t currentHorizon() { return static_cast<int32_t>(horizons().fieldByName("ID").asInteger()); }
    std::optional<ContourChartData> import(const char* text, ContourImportSettings s = {})
    {
        return ImportContour(module, cp(text), s);
    }
};

TEST_F(ContourEditingTest, LinesSplitIntoColumnsAtTabsSpacesAndSemicolons)
{
    const int32_t h = addHorizon("A");
    import("37,5;55,75\n"
           "37.5 55.75\n"
           "   37.5 55.75\n"
           "\t37.5\t55.75\r\n"
           "37.5 \t;; 55.75 ignored\r"
           "1e1 -2.5E-1\n");
    EXPECT_THAT(pointsOf(h), ElementsAre(Pair(37.5, 55.75), Pair(37.5, 55.75), Pair(37.5, 55.75),
                                         Pair(37.5, 55.75), Pair(37.5, 55.75), Pair(10, -0.25)));
    EXPECT_EQ(storedCount(h), Value::integer(6));

    // Other columns, in either order.
    ContourImportSettings s;
    s.longitudeColumn = 3;
    s.latitudeColumn = 1;
    import("5 6 7\n8;9;10", s);
    EXPECT_THAT(pointsOf(h), ElementsAre(Pair(7, 5), Pair(10, 8)));
}

TEST_F(ContourEditingTest, StartLineAndLineCountChooseTheLines)
{
    const int32_t h = addHorizon("A");
    const char* five = "1 1\n2 2\n3 3\n4 4\n5 5\n";
    auto run = [&](int start, int count) {
        ContourImportSettings s;
        s.startLine = start;
        s.lineCount = count;
        ImportContour(module, five, s);
        return xsOf(h);
    };
    EXPECT_THAT(run(2, 0), ElementsAre(2, 3, 4, 5));
    EXPECT_THAT(run(2, 3), ElementsAre(2, 3, 4));
    EXPECT_THAT(run(2, 10), ElementsAre(2, 3, 4, 5));
    // Lines count from 1: a start below it reads from the first line.
    EXPECT_THAT(run(0, 2), ElementsAre(1, 2));
    EXPECT_THAT(run(-7, 0), ElementsAre(1, 2, 3, 4, 5));
    EXPECT_THAT(run(5, 1), ElementsAre(5));
    // Lines that give no point change nothing.
    EXPECT_THAT(run(1, -1), ElementsAre(5));
    EXPECT_THAT(run(6, 0), ElementsAre(5));
}

TEST_F(ContourEditingTest, AMissingColumnEndsTheImportSilently)
{
    const int32_t h = addHorizon("A");
    import("1 1\n2 2\n\n4 4\n5 5");
    EXPECT_THAT(xsOf(h), ElementsAre(1, 2));
    import("1 1\n2 2\n   \t \n4 4");
    EXPECT_THAT(xsOf(h), ElementsAre(1, 2));
    import("1 1\n2\n3 3");
    EXPECT_THAT(xsOf(h), ElementsAre(1));
    ContourImportSettings noColumn;
    noColumn.latitudeColumn = 0;
    EXPECT_FALSE(import("1 1\n2 2", noColumn));
    EXPECT_THAT(xsOf(h), ElementsAre(1));
    EXPECT_EQ(storedCount(h), Value::integer(1));
}

TEST_F(ContourEditingTest, DegreesMinutesSecondsForTypeOneOnly)
{
    const int32_t dms = addHorizon("DMS", 1);
    import("55-30-15,5 37-10-00\n"
           "55\xC2\xB0" "30\"12.96;1,2,3"); // the degree sign and the quote of the display form
    const auto p = pointsOf(dms);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_DOUBLE_EQ(p[0].first, 55 + 30 / 60.0 + 15.5 / 3600);
    EXPECT_DOUBLE_EQ(p[0].second, 37 + 10 / 60.0);
    EXPECT_NEAR(p[1].first, 55.5036, 1e-12);
    EXPECT_DOUBLE_EQ(p[1].second, 1 + 2 / 60.0 + 3 / 3600.0);

    // Six numbers: columns 1 and 2 are "55" and "30", which the parser refuses; the message
    // names the line.
    EXPECT_EQ(errorOf([&] { import("1-0-0 2-0-0\n55 30 15.5 37 10 0\n3-0-0 4-0-0"); }),
              std::string(kDmsError) + "\nСтрока 2: «55 30 15.5 37 10 0»");

    // Other types read plain numbers and report the column's text.
    addHorizon("plain", 2);
    EXPECT_EQ(errorOf([&] { import("5 6\n55-30-0 1"); }),
              "'55-30-0' is not a valid floating point value\nСтрока 2: «55-30-0 1»");
    EXPECT_EQ(errorOf([&] { import("1,5,2 7"); }), "'1.5.2' is not a valid floating point value\nСтрока 1: «1,5,2 7»");
}

// Whatever goes wrong, the contour, its count, the current horizon and the modified flag stay as
// they were; the error names the line (counted in the whole text) and shows its text.
TEST_F(ContourEditingTest, ABadLineOrATextWithoutPointsLeavesTheContourAsItWas)
{
    const int32_t a = addHorizon("A");
    const int32_t b = addHorizon("B");
    goTo(a);
    import("1 1\n2 2\n3 3");
    goTo(b);
    import("7 7\n8 8\n9 9\n10 10");
    addHorizon("C");
    goTo(b);
    module.state().setModified(false);
    QByteArray longLine(200, 'x');
    longLine += " 1";
    struct Case {
        QByteArray text;
        int startLine;
        std::string error; // empty: no error, nothing imported
    } cases[] = {
        {"Долгота Широта\n1 1\n2 2", 1, "'Долгота' is not a valid floating point value\nСтрока 1: «Долгота Широта»"},
        {"1 1\n2 2\n3 3\n4;четыре\n5 5", 1, "'четыре' is not a valid floating point value\nСтрока 4: «4;четыре»"},
        {"0 0\n1 1\n\t2 2,5,\n", 2, "'2.5.' is not a valid floating point value\nСтрока 3: «2 2,5,»"},
        {"1 1\n" + longLine, 1,
         "'" + longLine.left(200).toStdString() + "' is not a valid floating point value\nСтрока 2: «" +
             std::string(80, 'x') + "…»"},
        {"", 1, ""},
        {"\n  \n\t\r\n", 1, ""},
        {"1 1\n2 2", 3, ""},
    };
    for (const Case& c : cases) {
        ContourImportSettings s;
        s.startLine = c.startLine;
        const QByteArray text = cp(c.text.constData());
        if (c.error.empty()) {
            EXPECT_FALSE(ImportContour(module, text, s)) << c.text.constData();
        } else {
            EXPECT_EQ(errorOf([&] { ImportContour(module, text, s); }), c.error);
        }
        EXPECT_THAT(xsOf(a), ElementsAre(1, 2, 3));
        EXPECT_THAT(xsOf(b), ElementsAre(7, 8, 9, 10)) << c.text.constData();
        EXPECT_EQ(storedCount(b), Value::integer(4));
        EXPECT_EQ(currentHorizon(), b);
        EXPECT_EQ(points().recordCount(), 4);
        EXPECT_EQ(points().state(), TableState::Browse);
        EXPECT_FALSE(module.state().modified()) << c.text.constData();
    }
}

TEST_F(ContourEditingTest, ImportReplacesOnlyTheCurrentHorizonsPointsAndLeavesTheFirstCurrent)
{
    const int32_t a = addHorizon("A");
    addPoint(1, 1);
    const int32_t b = addHorizon("B");
    addPoint(2, 2);
    const int32_t c = addHorizon("C");
    addPoint(3, 3);
    addPoint(4, 4);
    module.state().setModified(false);

    goTo(c);
    const ContourChartData chart = import("7 8\n9 10\n11 12").value();
    EXPECT_THAT(pointsOf(c), ElementsAre(Pair(7, 8), Pair(9, 10), Pair(11, 12)));
    EXPECT_THAT(pointsOf(a), ElementsAre(Pair(1, 1)));
    EXPECT_THAT(pointsOf(b), ElementsAre(Pair(2, 2)));
    EXPECT_EQ(storedCount(c), Value::integer(3));
    EXPECT_TRUE(module.state().modified());
    // The chart refresh ran: the first horizon is current and the contour table shows its points.
    EXPECT_EQ(currentHorizon(), a);
    EXPECT_EQ(points().recordCount(), 1);
    ASSERT_EQ(chart.series.size(), 3u);
    EXPECT_EQ(chart.series[2].points.size(), 4);
}

TEST_F(ContourEditingTest, ANewHorizonIsPostedAndTakesTheImportedPoints)
{
    const int32_t a = addHorizon("A");
    addPoint(1, 1);
    horizons().append(); // the contour table shows every point while the horizon has no ID
    horizons().fieldByName("STRATIGRSVIT").setString("new");
    import("5 5\n6 6");
    horizons().last();
    const int32_t fresh = currentHorizon();
    EXPECT_NE(fresh, a);
    EXPECT_THAT(xsOf(fresh), ElementsAre(5, 6));
    EXPECT_THAT(xsOf(a), ElementsAre(1));
    EXPECT_EQ(storedCount(fresh), Value::integer(2));
    EXPECT_EQ(storedCount(a), Value::integer(1));
}

TEST_F(ContourEditingTest, WithoutAProductiveHorizonNothingIsTouched)
{
    // A point of a horizon deleted since: it shows while no horizon is current.
    points().append();
    points().fieldByName("X").setFloat(1);
    points().post();
    EXPECT_FALSE(HasCurrentProductHorizon(module));
    EXPECT_EQ(errorOf([&] { import("1 2"); }), kNoCurrentHorizonMessage);
    EXPECT_EQ(errorOf([&] { ClearContour(module); }), kNoCurrentHorizonMessage);
    EXPECT_EQ(points().storedCount(), 1);
    const ContourChartData chart = RefreshContourChart(module);
    EXPECT_TRUE(chart.series.empty());
    EXPECT_FALSE(chart.hasPoints);
}

// Counts what a bound point grid would be told.
struct NotificationCounter : TableObserver {
    int changes = 0;
    void tableChanged(RecordTable&, TableChange) override { ++changes; }
};

TEST_F(ContourEditingTest, ThePointGridIsDetachedForTheWholeWorkOnEveryPath)
{
    addHorizon("A");
    NotificationCounter grid;
    points().addObserver(&grid);
    std::vector<std::string> calls;
    PointGridHooks hooks{[&] { calls.push_back(points().refreshSuspended() ? "detach (held)" : "detach"); },
                         [&] { calls.push_back(points().refreshSuspended() ? "attach (held)" : "attach"); }};
    QByteArray text;
    for (int i = 0; i < 200; ++i) text += QByteArray::number(i) + " 1\n";
    ImportContour(module, text, {}, hooks);
    EXPECT_THAT(calls, ElementsAre("detach (held)", "attach (held)"));
    EXPECT_EQ(grid.changes, 1); // one refresh, not one per point
    EXPECT_EQ(points().recordCount(), 200);

    calls.clear();
    EXPECT_NE(errorOf([&] { ImportContour(module, "1 1\nbad 1", {}, hooks); }), "no error");
    EXPECT_THAT(calls, ElementsAre()); // read before the grid is touched
    EXPECT_FALSE(points().refreshSuspended());

    calls.clear();
    grid.changes = 0;
    ClearContour(module, hooks);
    RefreshContourChart(module, hooks);
    EXPECT_THAT(calls, ElementsAre("detach (held)", "attach (held)", "detach (held)", "attach (held)"));
    EXPECT_FALSE(points().refreshSuspended());
    points().removeObserver(&grid);
}

TEST_F(ContourEditingTest, ClearDeletesTheCurrentHorizonsPointsOnly)
{
    const int32_t a = addHorizon("A");
    addPoint(1, 1);
    const int32_t b = addHorizon("B");
    addPoint(2, 2);
    addPoint(3, 3);
    module.state().setModified(false);
    ClearContour(module);
    EXPECT_THAT(xsOf(b), ElementsAre());
    EXPECT_THAT(xsOf(a), ElementsAre(1));
    EXPECT_EQ(storedCount(b), Value::integer(0));
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(currentHorizon(), a);

    // An empty contour stays as it was: nothing changes, nothing is marked.
    goTo(b);
    module.state().setModified(false);
    ClearContour(module);
    EXPECT_FALSE(module.state().modified());
}

TEST_F(ContourEditingTest, RefreshDrawsClosedOutlinesInOneFrame)
{
    addHorizon("Ю1");
    addPoint(10, 50);
    addPoint(12, 50);
    addPoint(11, 52);
    addHorizon("empty");
    addHorizon("Ю2");
    addPoint(-3, 55.5);
    addPoint(20.25, 49);
    addPoint(5, 51);
    // A point of a horizon deleted since is neither drawn nor counted in the frame.
    horizons().append();
    points().append();
    points().fieldByName("X").setFloat(1000);
    points().post();
    horizons().cancel();

    const ContourChartData chart = RefreshContourChart(module);
    ASSERT_EQ(chart.series.size(), 3u);
    EXPECT_EQ(chart.series[0].title, cp("Ю1"));
    EXPECT_THAT(chart.series[0].points, ElementsAre(QPointF(10, 50), QPointF(12, 50), QPointF(11, 52), QPointF(10, 50)));
    EXPECT_TRUE(chart.series[1].points.isEmpty());
    EXPECT_EQ(chart.series[2].title, cp("Ю2"));
    EXPECT_EQ(chart.series[2].points.size(), 4);
    EXPECT_TRUE(chart.hasPoints);
    EXPECT_EQ(chart.minX, -3);
    EXPECT_EQ(chart.maxX, 20.25);
    EXPECT_EQ(chart.minY, 49);
    EXPECT_EQ(chart.maxY, 55.5);
}

TEST_F(ContourEditingTest, RefreshCorrectsWrongCountsAndMarksThePassport)
{
    const int32_t a = addHorizon("A");
    addPoint(1, 1);
    addPoint(2, 2);
    addPoint(3, 3);
    const int32_t b = addHorizon("B"); // no points, count NULL
    const int32_t c = addHorizon("C");
    addPoint(4, 4);
    // Counts as an older file may carry them.
    goTo(a);
    horizons().edit();
    horizons().fieldByName("KONTURNUMPOINTS").setInteger(7);
    horizons().post();
    goTo(c);
    horizons().edit();
    horizons().fieldByName("KONTURNUMPOINTS").clear();
    horizons().post();
    module.state().setModified(false);

    RefreshContourChart(module);
    EXPECT_EQ(storedCount(a), Value::integer(3));
    EXPECT_TRUE(storedCount(b).isNull()); // NULL reads as 0: nothing to correct
    EXPECT_EQ(storedCount(c), Value::integer(1));
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(currentHorizon(), a);
    EXPECT_EQ(points().recordCount(), 3);

    // Right counts are left alone.
    module.state().setModified(false);
    RefreshContourChart(module);
    EXPECT_FALSE(module.state().modified());
}

TEST_F(ContourEditingTest, RefreshStoresWhatIsBeingTyped)
{
    const int32_t a = addHorizon("A");
    addPoint(1, 1);
    points().append();
    points().fieldByName("X").setFloat(2);
    const ContourChartData chart = RefreshContourChart(module);
    EXPECT_EQ(chart.series[0].points.size(), 3);
    EXPECT_EQ(storedCount(a), Value::integer(2));
}

} // namespace
} // namespace talvena::test
