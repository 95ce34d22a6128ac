#include "dialogs/dictionary_list.h"
#include "dialogs/picker_calls.h"
#include "dialogs/stratigraphic_picker.h"
#include "dictionaries.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace talvena;
using namespace talvena::testing;

namespace {

class StratigraphicPicker : public ::testing::Test {
protected:
    std::unique_ptr<RecordTable> dict16 = makeIndexes();
    std::unique_ptr<RecordTable> dict19 = makeSystems();

    static QStringList shown(DictionaryListView* view)
    {
        QStringList names;
        for (int r = 0; r < view->model()->rowCount(); ++r) names << view->model()->index(r, 0).data().toString();
        return names;
    }
    static QString highlighted(DictionaryListView* view) { return view->currentIndex().data().toString(); }

    static void clickRow(DictionaryListView* view, int row)
    {
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

    void expectUnfiltered() const
    {
        EXPECT_FALSE(dict16->filtered());
        EXPECT_EQ(dict16->filterText(), "");
        EXPECT_EQ(dict16->recordCount(), 9);
    }
};

} // namespace

TEST_F(StratigraphicPicker, Captions)
{
    TSelecStratigrForm f(*dict16, *dict19);
    EXPECT_EQ(f.windowTitle(), "Выбор стратиграфического индекса");
    EXPECT_EQ(f.width(), 293);
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    for (const char* name : {"systemHeading", "indexHeading"}) {
        auto* label = f.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_TRUE(label->font().bold());
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    }
    EXPECT_EQ(f.findChild<QLabel*>("systemHeading")->text(), "Выбор системы");
    EXPECT_EQ(f.findChild<QLabel*>("indexHeading")->text(), "Выбор индекса");
    EXPECT_EQ(f.selectButton()->text(), "Выбрать");
    EXPECT_TRUE(f.selectButton()->isDefault());
    EXPECT_EQ(f.cancelButton()->text(), "Отказ");
    EXPECT_EQ(shown(f.systemList()), QStringList({"", "Юрская", "Меловая", "Триасовая"}));
}

TEST_F(StratigraphicPicker, PresetOnAnIndexShowsOnlyItsSystem)
{
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(11);
    EXPECT_EQ(currentId(*dict19), 1);
    EXPECT_EQ(highlighted(f.systemList()), "Юрская");
    EXPECT_TRUE(dict16->filtered());
    EXPECT_EQ(dict16->filterText(), "PARENT_ID=1");
    EXPECT_EQ(shown(f.indexList()), QStringList({"J1", "J2", "J3"}));
    EXPECT_EQ(highlighted(f.indexList()), "J2");
    EXPECT_EQ(f.chosenIndex(), 11);

    // A second preset starts from the whole dictionary, not from the filtered part.
    f.PresetIndex(21);
    EXPECT_EQ(dict16->filterText(), "PARENT_ID=2");
    EXPECT_EQ(shown(f.indexList()), QStringList({"K1", "K2"}));
    EXPECT_EQ(f.chosenIndex(), 21);
}

TEST_F(StratigraphicPicker, PresetOnUnsetFieldStandsOnTheEmptyEntries)
{
    dict19->locate("ID", Value::integer(3));
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(PickerPreset(Value()));
    EXPECT_EQ(currentId(*dict19), 0);
    EXPECT_EQ(f.systemList()->currentIndex().row(), 0);
    EXPECT_EQ(dict16->filterText(), "PARENT_ID=0");
    EXPECT_EQ(shown(f.indexList()), QStringList({"", "Q"}));
    EXPECT_EQ(f.indexList()->currentIndex().row(), 0);
    EXPECT_EQ(f.chosenIndex(), 0);
}

TEST_F(StratigraphicPicker, PresetOnUnknownValuesLeavesListsWhereTheyWere)
{
    // P1's system is missing: the system list stays on the row it had, the index list on its first row.
    dict19->locate("ID", Value::integer(2));
    {
        TSelecStratigrForm f(*dict16, *dict19);
        f.PresetIndex(40);
        EXPECT_EQ(highlighted(f.systemList()), "Меловая");
        EXPECT_EQ(shown(f.indexList()), QStringList({"K1", "K2"}));
        EXPECT_EQ(f.chosenIndex(), 20);
    }
    // An ID no entry has: Dict16 stays on its first entry, whose system is the empty one.
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(999);
    EXPECT_EQ(currentId(*dict19), 0);
    EXPECT_EQ(shown(f.indexList()), QStringList({"", "Q"}));
    EXPECT_EQ(f.chosenIndex(), 0);
}

TEST_F(StratigraphicPicker, TheIndexListFollowsTheCurrentSystemByMouseAndByKeys)
{
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(11);
    f.show();
    clickRow(f.systemList(), 3);
    EXPECT_EQ(currentId(*dict19), 3);
    EXPECT_EQ(dict16->filterText(), "PARENT_ID=3");
    EXPECT_EQ(shown(f.indexList()), QStringList({"T1"}));
    EXPECT_EQ(f.chosenIndex(), 30);

    // The keys move the system and the indexes with it: "Выбрать" stores an index of the
    // system in view.
    f.systemList()->setFocus();
    QTest::keyClick(f.systemList(), Qt::Key_Up);
    EXPECT_EQ(currentId(*dict19), 2);
    EXPECT_EQ(dict16->filterText(), "PARENT_ID=2");
    EXPECT_EQ(shown(f.indexList()), QStringList({"K1", "K2"}));
    EXPECT_EQ(f.chosenIndex(), 20);
    QTest::keyClick(f.systemList(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(shown(f.indexList()), QStringList({"", "Q"}));
    QTest::keyClick(f.systemList(), Qt::Key_Down);
    EXPECT_EQ(shown(f.indexList()), QStringList({"J1", "J2", "J3"}));
    QTest::keyClick(f.systemList(), Qt::Key_Return);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.chosenIndex(), 10);
}

TEST_F(StratigraphicPicker, ADoubleClickOnAnIndexChoosesIt)
{
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(10);
    f.show();
    const QRect cell = f.indexList()->visualRect(f.indexList()->model()->index(2, 0));
    QTest::mouseClick(f.indexList()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(f.indexList()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.chosenIndex(), 12);
    expectUnfiltered();
}

TEST_F(StratigraphicPicker, ConfirmingGivesTheHighlightedIndexAndDropsTheFilter)
{
    TSelecStratigrForm f(*dict16, *dict19);
    f.PresetIndex(10);
    f.show();
    clickRow(f.indexList(), 2);
    EXPECT_EQ(currentId(*dict16), 12);
    f.indexList()->setFocus();
    QTest::keyClick(f.indexList(), Qt::Key_Up);
    EXPECT_EQ(currentId(*dict16), 11);
    QTest::keyClick(f.indexList(), Qt::Key_Return); // Enter in a list answers the default button
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.chosenIndex(), 11);
    expectUnfiltered();
}

TEST_F(StratigraphicPicker, FilterIsGoneAfterCancelAndAfterDestruction)
{
    {
        TSelecStratigrForm f(*dict16, *dict19);
        f.PresetIndex(20);
        f.show();
        EXPECT_TRUE(dict16->filtered());
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_EQ(f.result(), QDialog::Rejected);
        expectUnfiltered();
    }
    {
        TSelecStratigrForm f(*dict16, *dict19);
        f.PresetIndex(20);
        EXPECT_TRUE(dict16->filtered());
    }
    expectUnfiltered();
}

TEST_F(StratigraphicPicker, ModalPickAndLookupsOfOtherSystemsAfterwards)
{
    // A horizon table whose stratigraphic name is a lookup into Dict16, as the grids show it.
    RecordTable horizons("REFLECT_HORIZONTS");
    horizons.addField("STRATIGR_ID", FieldType::Integer);
    Field& lookup = horizons.addField({.name = "_stratigr_id",
                                       .type = FieldType::String,
                                       .size = 128,
                                       .kind = FieldKind::Lookup,
                                       .lookup = {"STRATIGR_ID", dict16.get(), "ID", "NAME"}});
    horizons.open();
    horizons.append();
    horizons.fieldByName("STRATIGR_ID").setInteger(30);
    horizons.post();
    horizons.append();
    horizons.post(); // an unset index

    bool filteredAtPost = true;
    horizons.afterPost = [&](RecordTable&) { filteredAtPost = dict16->filtered(); };
    QTimer::singleShot(0, [this] {
        auto* f = dynamic_cast<TSelecStratigrForm*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->chosenIndex(), 0);
        clickRow(f->systemList(), 1);
        clickRow(f->indexList(), 2);
        f->selectButton()->click();
    });
    PickIntoField(horizons, "STRATIGR_ID", StratigraphicIndexPicker(nullptr, *dict16, *dict19));
    EXPECT_EQ(horizons.fieldByName("STRATIGR_ID").asInteger(), 12);
    EXPECT_FALSE(filteredAtPost);
    EXPECT_EQ(lookup.asString(), "J3");
    horizons.first();
    EXPECT_EQ(lookup.asString(), "T1"); // another system's name is found again

    // Confirming without touching the lists stores the preset index again.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("selectButton")->click(); });
    EXPECT_EQ(PickStratigraphicIndex(nullptr, *dict16, *dict19, Value::integer(30)), std::optional<int>(30));
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(PickStratigraphicIndex(nullptr, *dict16, *dict19, Value::integer(30)), std::nullopt);
    expectUnfiltered();
}
