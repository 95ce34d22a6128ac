// The record grid over a small table: the model follows every operation (checked by Qt's own model
// tester), the view and the table keep one current record, and the grid's keys, editors, lookups,
// picker buttons and refusals behave as a record grid must.
#include "base/cp1251.h"
#include "base/error.h"
#include "gui/grid_clipboard.h"
#include "gui/record_grid_view.h"
#include "gui/record_navigator.h"
#include "gui/record_table_model.h"
#include "gui/scripted_interaction.h"
#include "table/record_table.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyleOptionHeader>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace talvena;

namespace {

constexpr GridColumnDecl kColumns[] = {
    {"ID", "Номер"},
    {"NAME", "Имя записи"},
    {"_KIND", "Вид", ColumnKind::Lookup},
    {"DOUBLE", "Удвоенный номер", ColumnKind::Calculated},
    {"_SCALE", "Масштаб", ColumnKind::Picker, PickerKind::Scale, "SCALE"},
    {"NOTE", "Примечание", ColumnKind::ReadOnly},
};
constexpr GridDecl kGrid{"TestGrid", "T", 0, "Полоса", "Strip", 40, "Nav", kAllNavigatorButtons, false, true, kColumns};
constexpr GridDecl kNoDeleteGrid{"Fixed", "T", 0, "Полоса", "Strip", 40, nullptr, 0, true, false, kColumns};

class RecordGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        installUserInteraction(&ui);
        kinds.addField("ID", FieldType::Integer);
        kinds.addField("NAME", FieldType::String, 20);
        kinds.open();
        for (auto [id, name] : {std::pair{1, "нефть"}, std::pair{2, "газ"}}) {
            kinds.append();
            kinds.fieldByName("ID").setInteger(id);
            kinds.fieldByName("NAME").setString(utf8ToCp1251(name));
            kinds.post();
        }
        t.addField("ID", FieldType::Integer);
        t.addField("NAME", FieldType::String, 10).onValidate = [](Field& f) {
            if (f.asString() == "bad") throw Error("Значение должно быть больше нуля.");
        };
        t.addField("KIND_ID", FieldType::Integer);
        t.addField("SCALE", FieldType::Integer);
        t.addField("NOTE", FieldType::String, 10);
        t.addField({.name = "_KIND", .size = 20, .kind = FieldKind::Lookup, .lookup = {"KIND_ID", &kinds, "ID", "NAME"}});
        t.addField({.name = "DOUBLE", .type = FieldType::Float, .kind = FieldKind::Calculated});
        t.addField({.name = "_SCALE", .size = 20, .kind = FieldKind::Calculated});
        t.onCalcFields = [](const RecordTable& tb) { tb.fieldByName("DOUBLE").setFloat(tb.fieldByName("ID").asFloat() * 2); };
        t.open();
        for (int i = 1; i <= 5; ++i) add(i * 10, "n" + QByteArray::number(i));
        t.first();
    }
    void TearDown() override
    {
        view.reset();
        installUserInteraction(nullptr);
    }
    void add(int id, const QByteArray& name)
    {
        t.append();
        t.fieldByName("ID").setInteger(id);
        t.fieldByName("NAME").setString(name);
        t.post();
    }
    RecordGridView& show(const GridDecl& decl = kGrid)
    {
        view = std::make_unique<RecordGridView>(decl, t);
        view->resize(900, 300);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        return *view;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    QString cell(int row, int column) { return view->model()->index(row, column).data().toString(); }

    ScriptedInteraction ui;
    RecordTable kinds{"K"};
    RecordTable t{"T"};
    std::unique_ptr<RecordGridView> view;
};

TEST_F(RecordGridTest, TheModelFollowsAnySequenceOfOperationsAsQtExpects)
{
    RecordGridView& g = show();
    QAbstractItemModelTester tester(g.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::mt19937 random(9);
    for (int step = 0; step < 1500; ++step) {
        try {
            switch (random() % 10) {
            case 0: t.append(); break;
            case 1: t.insert(); break;
            case 2: t.edit(); break;
            case 3: if (t.state() != TableState::Browse) t.fieldByName("ID").setInteger(int(random() % 100)); break;
            case 4: t.post(); break;
            case 5: t.cancel(); break;
            case 6: if (t.positionCount() > 0) t.deleteRecord(); break;
            case 7: t.moveTo(int(random() % 8)); break;
            case 8: t.sort(random() % 2 ? QByteArray("ID") : QByteArray("ID:desc")); break;
            case 9: t.setFilterText("KIND_ID=0"); t.setFiltered(random() % 2); break;
            }
        } catch (const Error&) {
        }
        ASSERT_EQ(g.model()->rowCount(), t.positionCount()) << step;
        const int current = t.currentViewPosition();
        if (current >= 0) {
            ASSERT_EQ(g.currentIndex().row(), current) << step;
        }
    }
    for (int row = 0; row < t.positionCount(); ++row)
        EXPECT_EQ(cell(row, 0), cp1251ToUnicode(t.textAt(row, t.fieldByName("ID"), true)));
}

TEST_F(RecordGridTest, ShowsTitlesTextsCalculatedValuesAndTheRowIndicator)
{
    RecordGridView& g = show();
    EXPECT_EQ(g.objectName(), "TestGrid");
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8("Имя записи"));
    EXPECT_EQ(g.horizontalHeader()->height(), 40);
    EXPECT_EQ(g.verticalHeader()->sectionSize(0), 17);
    EXPECT_EQ(cell(1, 0), "20");
    EXPECT_EQ(cell(1, 3), "40"); // calculated for a row that is not current
    t.edit();
    t.fieldByName("KIND_ID").setInteger(2);
    EXPECT_EQ(cell(0, 2), QString::fromUtf8("газ"));
    EXPECT_EQ(g.model()->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "I");
    t.cancel();
    EXPECT_EQ(g.model()->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString::fromUtf8("▶"));
    const auto flags = [&](int c) { return g.model()->flags(g.model()->index(0, c)); };
    EXPECT_TRUE(flags(0) & Qt::ItemIsEditable);
    EXPECT_TRUE(flags(2) & Qt::ItemIsEditable);
    EXPECT_FALSE(flags(3) & Qt::ItemIsEditable); // calculated
    EXPECT_FALSE(flags(4) & Qt::ItemIsEditable); // picker: the button edits it
    EXPECT_FALSE(flags(5) & Qt::ItemIsEditable); // read-only
}

TEST_F(RecordGridTest, TheViewsCurrentRowAndTheTablesCurrentRecordStayOne)
{
    RecordGridView& g = show();
    g.setCurrentIndex(g.model()->index(3, 1));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 40);
    t.first();
    EXPECT_EQ(g.currentIndex().row(), 0);
    EXPECT_EQ(g.currentIndex().column(), 1); // the column stays
    t.last();
    EXPECT_EQ(g.currentIndex().row(), 4);
    QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 40);
}

TEST_F(RecordGridTest, KeysInsertDeleteAfterAskingCancelAndNeverAppendBelowTheLastRow)
{
    RecordGridView& g = show();
    t.moveTo(2);
    QTest::keyClick(&g, Qt::Key_Insert);
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_EQ(g.currentIndex().row(), 2);
    EXPECT_EQ(g.model()->rowCount(), 6);
    QTest::keyClick(&g, Qt::Key_Escape);
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(g.model()->rowCount(), 5);

    ui.answers = {BoxAnswer::No, BoxAnswer::Yes};
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(t.recordCount(), 5);
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(t.recordCount(), 4);
    ASSERT_EQ(ui.boxes.size(), 2);
    EXPECT_EQ(ui.boxes[0].text, "Delete record?");
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Confirmation);

    t.last();
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(t.recordCount(), 4);
}

TEST_F(RecordGridTest, AGridThatRefusesDeletionIgnoresCtrlDelete)
{
    RecordGridView& g = show(kNoDeleteGrid);
    ui.defaultAnswer = BoxAnswer::Yes;
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(t.recordCount(), 5);
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(RecordGridTest, LeavingTheGridDropsAnUntouchedNewRowButKeepsATypedOne)
{
    RecordGridView& g = show();
    QLineEdit elsewhere;
    elsewhere.show();
    QTest::keyClick(&g, Qt::Key_Insert);
    ASSERT_EQ(t.state(), TableState::Insert);
    elsewhere.setFocus();
    settle();
    EXPECT_EQ(t.state(), TableState::Browse);
    EXPECT_EQ(t.recordCount(), 5);

    g.setFocus();
    QTest::keyClick(&g, Qt::Key_Insert);
    t.fieldByName("ID").setInteger(77);
    elsewhere.setFocus();
    settle();
    EXPECT_EQ(t.state(), TableState::Insert);
}

TEST_F(RecordGridTest, TypedTextIsStoredAndARefusedValueStaysInTheEditorWithTheFocus)
{
    RecordGridView& g = show();
    g.setCurrentIndex(g.model()->index(1, 1));
    QTest::keyClick(&g, Qt::Key_A, Qt::NoModifier); // the first key opens the editor with it
    auto* editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->hasFocus());
    QTest::keyClicks(editor, "bc");
    EXPECT_EQ(t.state(), TableState::Edit); // typing started an edit, shown by the indicator
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(t.fieldByName("NAME").asString(), "abc");

    g.setCurrentIndex(g.model()->index(1, 1));
    QTest::keyClick(&g, Qt::Key_F2);
    editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("bad");
    QTest::keyClick(editor, Qt::Key_Tab);
    settle();
    ASSERT_EQ(ui.boxTexts(), QStringList{QString::fromUtf8("Значение должно быть больше нуля.")});
    editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "bad");
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(g.currentIndex().column(), 1);
    EXPECT_EQ(t.fieldByName("NAME").asString(), "abc");

    // Digits only in a number column.
    editor->setText("ok");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    g.setCurrentIndex(g.model()->index(1, 0));
    QTest::keyClick(&g, Qt::Key_F2);
    editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "1x2");
    EXPECT_EQ(editor->text(), "12");
}

TEST_F(RecordGridTest, ALookupColumnEditsThroughADropDownOfTheLookupsNames)
{
    RecordGridView& g = show();
    g.setCurrentIndex(g.model()->index(2, 2));
    QTest::keyClick(&g, Qt::Key_F2);
    auto* combo = g.findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3); // an empty entry first, to empty the field
    EXPECT_EQ(combo->itemText(2), QString::fromUtf8("газ"));
    combo->setCurrentIndex(2);
    QTest::keyClick(combo, Qt::Key_Return);
    settle();
    EXPECT_EQ(t.fieldByName("KIND_ID").asInteger(), 2);
    EXPECT_EQ(cell(2, 2), QString::fromUtf8("газ"));
}

TEST_F(RecordGridTest, APickerColumnsButtonDoubleClickAndKeysOpenThePicker)
{
    RecordGridView& g = show();
    QList<int> pressed;
    g.onEditButton = [&](int column) { pressed.append(column); };
    g.setCurrentIndex(g.model()->index(1, 4));
    const QRect button = g.editButtonRect(g.currentIndex());
    ASSERT_FALSE(button.isNull());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, button.center());
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClick(&g, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(pressed, (QList<int>{4, 4, 4}));
    EXPECT_TRUE(g.editButtonRect(g.model()->index(2, 4)).isNull()); // only the current cell has one
}

TEST_F(RecordGridTest, TitleClicksReachTheHandlerAndTheSortMarkIsShown)
{
    RecordGridView& g = show();
    QList<int> clicked;
    g.onTitleClick = [&](int column) { clicked.append(column); };
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(1) + 5, 10));
    EXPECT_EQ(clicked, QList<int>{1});
    g.setSortMark(1, true);
    EXPECT_TRUE(g.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(g.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
}

// Ranges by keys, titles and the indicator; the clipboard both ways through the keys; Delete clears
// while Ctrl+Delete still deletes the record.
TEST_F(RecordGridTest, RangesAreSelectedCopiedPastedAndCleared)
{
    RecordGridView& g = show();
    QList<int> sorted;
    g.onTitleClick = [&](int column) { sorted.append(column); };
    QAbstractItemModel* m = g.model();
    g.setCurrentIndex(m->index(0, 0));
    QTest::keyClick(&g, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), "10\tn1\r\n20\tn2\r\n");
    EXPECT_EQ(ReadHtmlTable(copied->html()).rows, ReadTabText(copied->text()).rows);
    // A column the page computes is copied as shown, as a number for spreadsheets.
    g.addComputedColumn("Площадь", [](uint32_t row) { return QString::number((row + 1) * 1.5); });
    g.clearSelection();
    g.setCurrentIndex(m->index(0, 5));
    QTest::keyClick(&g, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "\t1.5\r\n");
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->html().contains("sdval=\"1.5\""));
    g.clearSelection();
    g.setCurrentIndex(m->index(1, 6));
    g.clearSelection();
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "3\r\n");

    // A title with Ctrl selects its column and does not sort; a plain click sorts and selects nothing new.
    const auto titleAt = [&](int column) {
        return QPoint(g.horizontalHeader()->sectionViewportPosition(column) + 5, 10);
    };
    const int currentRecord = int(t.fieldByName("ID").asInteger());
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::ControlModifier, titleAt(1));
    EXPECT_TRUE(sorted.isEmpty());
    EXPECT_TRUE(g.selectionModel()->isColumnSelected(1, {}));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), currentRecord); // the current record stays
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, Qt::ControlModifier, titleAt(0));
    EXPECT_TRUE(g.selectionModel()->isColumnSelected(0, {}) && g.selectionModel()->isColumnSelected(1, {}));
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ReadTabText(QApplication::clipboard()->text()).height(), 5);
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {}, titleAt(1));
    EXPECT_EQ(sorted, QList<int>{1});
    // The indicator selects a whole row.
    QTest::mouseClick(g.verticalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(5, g.verticalHeader()->sectionViewportPosition(2) + 5));
    EXPECT_TRUE(g.selectionModel()->isRowSelected(2, {}));
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 30);

    // An HTML table, the only form offered, pasted at row 4's name: the name and the lookup are
    // written, the calculated column skipped, the refused name reported with its row and column.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m->index(3, 1)).center());
    ASSERT_EQ(g.selectionModel()->selectedIndexes(), QModelIndexList{m->index(3, 1)});
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<table><tr><td>x1</td><td>нефть</td><td>99</td></tr>"
                                 "<tr><td>bad</td><td>газ</td><td>99</td></tr></table>"));
    QApplication::clipboard()->setMimeData(html);
    QTest::keyClick(&g, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(3, 1), "x1");
    EXPECT_EQ(cell(3, 2), QString::fromUtf8("нефть"));
    EXPECT_EQ(cell(4, 1), "n5");
    EXPECT_EQ(cell(4, 2), QString::fromUtf8("газ"));
    EXPECT_EQ(cell(3, 3), "80");
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Warning);
    EXPECT_TRUE(ui.boxes[0].text.contains(QString::fromUtf8("Вставлено значений: 3.")));
    EXPECT_TRUE(ui.boxes[0].text.contains(
        QString::fromUtf8("Строка 5, столбец «Имя записи»: Значение должно быть больше нуля."))) << ui.boxes[0].text.toStdString();
    // The written range is selected: Delete clears its editable cells.
    EXPECT_TRUE(g.selectionModel()->isSelected(m->index(4, 2)));
    QTest::keyClick(&g, Qt::Key_Delete);
    EXPECT_EQ(cell(3, 1), "");
    EXPECT_EQ(cell(4, 2), "");
    EXPECT_EQ(t.recordCount(), 5);
    ui.answers = {BoxAnswer::Yes};
    QTest::keyClick(&g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(t.recordCount(), 4);
    // A block pasted while a cell is typed goes into the grid; one value goes into the editor.
    g.setCurrentIndex(m->index(0, 1));
    QTest::keyClick(&g, Qt::Key_F2);
    QLineEdit* editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QApplication::clipboard()->setText("p1\r\np2\r\n");
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    settle();
    EXPECT_EQ(cell(0, 1), "p1");
    EXPECT_EQ(cell(1, 1), "p2");
    EXPECT_EQ(t.state(), TableState::Browse);
    // Ctrl+A selects everything.
    QTest::keyClick(&g, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(g.selectionModel()->selectedIndexes().size(), 4 * m->columnCount());
}

TEST_F(RecordGridTest, TheSortArrowLeavesRoomForTheLongestWordOfEachTitle)
{
    RecordGridView& g = show();
    QHeaderView* header = g.horizontalHeader();
    const QFontMetrics metrics(header->font());
    for (int c = 0; c < header->count(); ++c) {
        g.setSortMark(c, false);
        // Where the style draws the arrow in this section, as the header paints it.
        QStyleOptionHeader option;
        option.initFrom(header);
        option.rect = QRect(0, 0, header->sectionSize(c), header->height());
        option.sortIndicator = QStyleOptionHeader::SortDown;
        option.orientation = Qt::Horizontal;
        option.state |= QStyle::State_Horizontal;
        const QRect arrow = header->style()->subElementRect(QStyle::SE_HeaderArrow, &option, header);
        int widest = 0;
        for (const QString& word : header->model()->headerData(c, Qt::Horizontal).toString().split(' '))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        // The title is centred in what the arrow leaves: its longest word fits left of the arrow.
        EXPECT_LE(widest, arrow.left() - 4) << c;
    }
}

TEST_F(RecordGridTest, TheNavigatorMovesAndEditsAndAsksBeforeDeleting)
{
    RecordNavigator nav(t, kAllNavigatorButtons, "Nav");
    EXPECT_EQ(nav.button(NavFirst)->toolTip(), QString::fromUtf8("Перейти в начало"));
    EXPECT_EQ(nav.button(NavCancel)->toolTip(), QString::fromUtf8("Отказаться от последних изменений"));
    t.first();
    EXPECT_FALSE(nav.button(NavPrior)->isEnabled());
    EXPECT_FALSE(nav.button(NavPost)->isEnabled());
    nav.press(NavLast);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 50);
    EXPECT_FALSE(nav.button(NavNext)->isEnabled());
    nav.press(NavInsert);
    EXPECT_TRUE(nav.button(NavPost)->isEnabled());
    nav.press(NavCancel);
    ui.answers = {BoxAnswer::No};
    nav.press(NavDelete);
    EXPECT_EQ(t.recordCount(), 5);
    EXPECT_EQ(ui.boxTexts(), QStringList{"Delete record?"});

    RecordNavigator browseOnly(t, NavFirst | NavPrior | NavNext | NavLast | NavPost | NavCancel, "Nav4");
    EXPECT_EQ(browseOnly.button(NavInsert), nullptr);
    EXPECT_EQ(browseOnly.button(NavDelete), nullptr);
}

} // namespace
