// The grid pages 5 to 11 in the real window: entry checks and their warnings, the resource page
// filters, the recalculation columns, title sorting, the grid pickers, the height split, typing a
// horizon into a grid, and the contour page's chart and areas.
#include "app/contour_page.h"
#include "app/grid_pages.h"
#include "dialogs/contour_chart.h"
#include "gui/record_grid_view.h"
#include "gui/record_table_model.h"
#include "gui/user_settings.h"
#include "model/grid_decl.h"
#include "window_fixture.h"

#include <QChart>
#include <QCheckBox>
#include <QValueAxis>
#include <cmath>
#include <QHeaderView>

using namespace talvena;
using namespace talvena::testing;

namespace {

class GridPagesTest : public WindowTest {
protected:
    RecordGridView* grid(const char* name) { return find<RecordGridView>(name); }
    int page() const { return window->PageControl2()->currentIndex(); }
    // Picks an inner page as the user does, then lets the queued returns run.
    void enter(int index)
    {
        window->PageControl2()->setCurrentIndex(index);
        settle();
    }
    void method(int id)
    {
        if (dm->PASPORTS.state() == TableState::Browse) dm->PASPORTS.edit();
        field("PREPARATIONMETHOD_ID").setInteger(id);
        dm->PASPORTS.post();
    }
    void addReflecting(const char* index, int stratigraphicId = 0)
    {
        RecordTable& r = dm->REFLECT_HORIZONTS;
        r.append();
        r.fieldByName("INDEXOG").setString(cp1251(index));
        if (stratigraphicId) r.fieldByName("STRATIGR_ID").setInteger(stratigraphicId);
        r.post();
    }
    void addProductive(const char* name, int kind)
    {
        RecordTable& h = dm->POSIB_PRODUCT_HOR;
        h.append();
        h.fieldByName("STRATIGRSVIT").setString(cp1251(name));
        h.fieldByName("UV_ID").setInteger(kind);
        h.post();
    }
    static QByteArray cp1251(const char* utf8) { return unicodeToCp1251(QString::fromUtf8(utf8)); }
};

TEST_F(GridPagesTest, TheReflectingPageWarnsForANonSeismicMethodAndStays)
{
    method(90);
    enter(GridPages::kReflectingPage);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
    EXPECT_TRUE(ui.boxes[0].text.startsWith(u("При использовании метода подготовки \"Электроразведка\"")));
    EXPECT_EQ(page(), GridPages::kReflectingPage);
}

TEST_F(GridPagesTest, PagesThatNeedReflectingHorizonsSendTheUserBackToPageFive)
{
    for (int index : {GridPages::kQualityPage, GridPages::kProductivePage, GridPages::kOilPage,
                      GridPages::kContourPage}) {
        ui.clear();
        enter(0);
        enter(index);
        EXPECT_EQ(ui.boxTexts(), QStringList{u("Отсутствуют отражающие горизонты")}) << index;
        EXPECT_EQ(page(), GridPages::kReflectingPage) << index;
    }
}

TEST_F(GridPagesTest, WithoutSeismicsPageSevenTypesTheRecalculationHorizonAndNeedsNoReflectingOnes)
{
    method(90);
    enter(GridPages::kQualityPage);
    EXPECT_TRUE(ui.boxes.isEmpty());
    enter(GridPages::kProductivePage);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_TRUE(grid("JvDBGrid3")->isColumnHidden(10));
    EXPECT_FALSE(grid("JvDBGrid3")->isColumnHidden(11));
    EXPECT_TRUE(window->gridLayouts().columns("JvDBGrid3")[10].hidden);
    // The resource pages then only need productive horizons.
    enter(GridPages::kOilPage);
    EXPECT_EQ(ui.boxTexts(), QStringList{u("Отсутствуют возможные продуктивные горизонты")});
    EXPECT_EQ(page(), GridPages::kProductivePage);

    method(89);
    enter(GridPages::kQualityPage);
    addReflecting("Б");
    enter(GridPages::kProductivePage);
    EXPECT_FALSE(grid("JvDBGrid3")->isColumnHidden(10));
    EXPECT_TRUE(grid("JvDBGrid3")->isColumnHidden(11));
}

TEST_F(GridPagesTest, ResourcePagesShowOnlyTheirHydrocarbonAndSendBackWhenThereIsNone)
{
    addReflecting("Б");
    addProductive("Ю1", 398); // gas only
    enter(GridPages::kOilPage);
    EXPECT_EQ(ui.boxTexts(), QStringList{u("На объекте нет такого УВ")});
    EXPECT_EQ(page(), GridPages::kProductivePage);
    EXPECT_FALSE(dm->POSIB_PRODUCT_HOR.filtered());

    ui.clear();
    addProductive("Ю2", 397);
    enter(GridPages::kGasPage);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(page(), GridPages::kGasPage);
    EXPECT_TRUE(dm->POSIB_PRODUCT_HOR.filtered());
    EXPECT_EQ(grid("JvDBGrid6")->model()->rowCount(), 1);
    EXPECT_EQ(grid("JvDBGrid7")->model()->rowCount(), 1);
    enter(GridPages::kOilPage);
    EXPECT_EQ(grid("JvDBGrid4")->model()->index(0, 0).data().toString(), u("Ю2"));
    // Page 7 shows them all again; page 6 leaves the filter as it is.
    enter(GridPages::kQualityPage);
    EXPECT_TRUE(dm->POSIB_PRODUCT_HOR.filtered());
    enter(GridPages::kProductivePage);
    EXPECT_FALSE(dm->POSIB_PRODUCT_HOR.filtered());
    EXPECT_EQ(grid("JvDBGrid3")->model()->rowCount(), 2);
}

TEST_F(GridPagesTest, TitleClicksSortAscendingThenDescendingAndTheStratigraphicColumnByAge)
{
    addReflecting("А", 16002); // QH, younger
    addReflecting("Б", 16001); // Q
    addReflecting("В", 16005); // QI, older
    enter(GridPages::kReflectingPage);
    RecordGridView* g = grid("JvDBGrid1");
    QHeaderView* header = g->horizontalHeader();
    const auto clickTitle = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(column) + 5, 10));
        settle();
    };
    clickTitle(1);
    EXPECT_EQ(dm->REFLECT_HORIZONTS.sortSpec(), "_stratigr_id_");
    EXPECT_EQ(g->model()->index(0, 0).data().toString(), u("Б"));
    EXPECT_EQ(g->model()->index(2, 0).data().toString(), u("В"));
    clickTitle(1);
    EXPECT_EQ(dm->REFLECT_HORIZONTS.sortSpec(), "_stratigr_id_:desc");
    EXPECT_EQ(g->model()->index(0, 0).data().toString(), u("В"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickTitle(0);
    EXPECT_EQ(dm->REFLECT_HORIZONTS.sortSpec(), "indexog");
}

TEST_F(GridPagesTest, TheGridPickersWriteTheHorizonsIndexAndScaleAndPostIt)
{
    addReflecting("Б");
    enter(GridPages::kReflectingPage);
    RecordGridView* g = grid("JvDBGrid1");
    pickers.indexes.push_back(16003);
    pickers.scales.push_back(25000);
    g->setCurrentIndex(g->model()->index(0, 1));
    QTest::keyClick(g, Qt::Key_Return, Qt::ControlModifier);
    g->setCurrentIndex(g->model()->index(0, 6));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->editButtonRect(g->currentIndex()).center());
    settle();
    RecordTable& r = dm->REFLECT_HORIZONTS;
    EXPECT_EQ(r.state(), TableState::Browse);
    EXPECT_EQ(r.fieldByName("STRATIGR_ID").asInteger(), 16003);
    EXPECT_EQ(r.fieldByName("SCALE").asInteger(), 25000);
    EXPECT_EQ(g->model()->index(0, 1).data().toString(), u("QIII"));
    EXPECT_EQ(g->model()->index(0, 6).data().toString(), u("1: 25 000"));
    // Other columns open nothing.
    g->setCurrentIndex(g->model()->index(0, 0));
    window->gridPages().JvDBGrid1EditButtonClick(0);
    EXPECT_EQ(pickers.presets.size(), 2);
}

TEST_F(GridPagesTest, AHorizonTypedIntoTheGridIsPostedWhenTheUserMovesOn)
{
    enter(GridPages::kReflectingPage);
    RecordGridView* g = grid("JvDBGrid1");
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Insert);
    ASSERT_EQ(dm->REFLECT_HORIZONTS.state(), TableState::Insert);
    g->setCurrentIndex(g->model()->index(0, 0));
    keyChars(g, u("Ф")); // typing opens the cell's editor (F2 is the menu's Save here)
    auto* editor = g->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    keyChars(editor, u("2"));
    QTest::keyClick(editor, Qt::Key_Tab);
    settle();
    auto* next = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    EXPECT_EQ(next, nullptr); // Tab moved on to the next cell without an editor
    EXPECT_EQ(g->currentIndex().column(), 1);
    enter(GridPages::kQualityPage); // changing the page commits
    EXPECT_EQ(dm->REFLECT_HORIZONTS.state(), TableState::Browse);
    EXPECT_EQ(dm->REFLECT_HORIZONTS.recordCount(), 1);
    EXPECT_EQ(cp1251ToUnicode(dm->REFLECT_HORIZONTS.fieldByName("INDEXOG").asString()), u("Ф2"));
    EXPECT_EQ(grid("JvDBGrid2")->model()->index(0, 0).data().toString(), u("Ф2")); // the same record on page 6
    EXPECT_TRUE(dm->state().modified());
}

TEST_F(GridPagesTest, ACommaTypedIntoANumberCellIsTheDecimalPoint)
{
    enter(GridPages::kReflectingPage);
    RecordGridView* g = grid("JvDBGrid1");
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Insert);
    int square = -1;
    for (int c = 0; c < g->model()->columnCount(); ++c)
        if (g->model()->headerData(c, Qt::Horizontal).toString() == u("Площадь (кв.км.)")) square = c;
    ASSERT_GE(square, 0);
    g->setCurrentIndex(g->model()->index(0, square));
    keyChars(g, u("4"));
    auto* editor = g->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    keyChars(editor, u("5,3,"));
    EXPECT_EQ(editor->text(), u("45.3"));
    QTest::keyClick(editor, Qt::Key_Tab);
    enter(GridPages::kQualityPage);
    EXPECT_EQ(dm->REFLECT_HORIZONTS.fieldByName("SQUARE").asFloat(), 45.3);
}

TEST_F(GridPagesTest, GridsShareThePagesHeightAndTheNavigatorFollowsTheGrid)
{
    addReflecting("Б");
    addProductive("Ю1", 398);
    window->resize(1200, 900);
    enter(GridPages::kGasPage);
    QWidget* page = window->innerPage(GridPages::kGasPage);
    const int strips = find("Label82")->height() + find("Label83")->height();
    const int h = (page->height() - strips) / 2;
    EXPECT_EQ(grid("JvDBGrid6")->height(), h);
    EXPECT_EQ(grid("JvDBGrid7")->height(), h);
    EXPECT_EQ(grid("JvDBGrid7")->y(), find("Label83")->y() + find("Label83")->height());

    enter(GridPages::kReflectingPage);
    QWidget* reflecting = window->innerPage(GridPages::kReflectingPage);
    const int half = (reflecting->height() - find("Label89")->height()) / 2;
    EXPECT_EQ(grid("JvDBGrid1")->height(), half);
    EXPECT_EQ(find("DBNavigator1")->y(), half + 16);
}

TEST_F(GridPagesTest, TheContourPageDrawsEveryContourAndShowsItsArea)
{
    addReflecting("Б");
    addProductive("Ю1", 397);
    RecordTable& horizons = dm->POSIB_PRODUCT_HOR;
    horizons.edit();
    horizons.fieldByName("KONTURKOORDTYPE").setInteger(4); // metres
    horizons.post();
    for (auto [x, y] : {std::pair{0.0, 0.0}, {10000.0, 0.0}, {10000.0, 10000.0}, {0.0, 10000.0}}) {
        dm->KONTUR.append();
        dm->KONTUR.fieldByName("X").setFloat(x);
        dm->KONTUR.fieldByName("Y").setFloat(y);
        dm->KONTUR.post();
    }
    enter(GridPages::kContourPage);
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(window->contourPage().chart()->chart()->series().size(), 1);
    RecordGridView* upper = grid("JvDBGrid10");
    ASSERT_EQ(upper->model()->columnCount(), 4);
    EXPECT_EQ(upper->model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), u("Площадь контура (кв.км.)"));
    EXPECT_EQ(upper->model()->index(0, 3).data().toString(), "100");
    EXPECT_EQ(grid("JvDBGrid14")->model()->rowCount(), 4);
    // The upper grid refuses deleting a horizon, by keyboard too.
    ui.defaultAnswer = BoxAnswer::Yes;
    upper->setFocus();
    QTest::keyClick(upper, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(horizons.recordCount(), 1);
}

} // namespace

// "В масштабе": a kilometre is as long on both axes (degrees corrected by the cosine of the
// latitude), the choice is kept for the next start, and unchecked the axes span the points.
TEST_F(GridPagesTest, TheContourChartToScaleShowsEqualKilometresAndIsKept)
{
    UserSettings()->remove("contourChart/toScale");
    addReflecting("Б");
    addProductive("Ю1", 397);
    RecordTable& horizons = dm->POSIB_PRODUCT_HOR;
    horizons.edit();
    horizons.fieldByName("KONTURKOORDTYPE").setInteger(2); // degrees
    horizons.post();
    // One degree by one degree at 60° north: twice as tall as wide in kilometres.
    for (auto [x, y] : {std::pair{30.0, 59.5}, {31.0, 59.5}, {31.0, 60.5}, {30.0, 60.5}}) {
        dm->KONTUR.append();
        dm->KONTUR.fieldByName("X").setFloat(x);
        dm->KONTUR.fieldByName("Y").setFloat(y);
        dm->KONTUR.post();
    }
    window->resize(1200, 800);
    enter(GridPages::kContourPage);
    TContourChart* chart = window->contourPage().chart();
    auto* box = find<QCheckBox>("ToScaleBox");
    ASSERT_FALSE(box->isChecked());
    auto axes = [&] {
        return QRectF(QPointF(chart->axisX()->min(), chart->axisY()->min()),
                      QPointF(chart->axisX()->max(), chart->axisY()->max()));
    };
    EXPECT_EQ(axes(), QRectF(QPointF(30, 59.5), QPointF(31, 60.5)));

    box->click();
    settle();
    const QRectF scaled = axes();
    const QSizeF plot = chart->chart()->plotArea().size();
    ASSERT_GT(plot.width(), 100);
    // Pixels per kilometre along X and along Y agree; the points still show whole.
    const double kmX = scaled.width() * std::cos(60 * M_PI / 180), kmY = scaled.height();
    EXPECT_NEAR(plot.width() / kmX, plot.height() / kmY, 0.03 * plot.height() / kmY);
    EXPECT_TRUE(scaled.contains(QRectF(QPointF(30, 59.5), QPointF(31, 60.5))));
    EXPECT_NEAR(scaled.center().x(), 30.5, 1e-9);
    EXPECT_NEAR(scaled.center().y(), 60, 1e-9);

    // Kept for the next window, which draws to scale from the start.
    EXPECT_TRUE(UserSettings()->value("contourChart/toScale").toBool());
    {
        TMainForm other(*dm, ui);
        EXPECT_TRUE(other.findChild<QCheckBox*>("ToScaleBox")->isChecked());
        EXPECT_TRUE(other.contourPage().chart()->toScale());
    }
    box->click();
    settle();
    EXPECT_EQ(axes(), QRectF(QPointF(30, 59.5), QPointF(31, 60.5)));
    EXPECT_FALSE(UserSettings()->value("contourChart/toScale").toBool());
}
