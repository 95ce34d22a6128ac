// The menu "Правка" driven through its keys: a form edit with the method rule it sets off is one
// step; undo and redo bring its control back into view; the modified flag follows the saved
// state; typing not yet posted is undone by the text field first.
#include "window_fixture.h"

#include <QAction>

using namespace talvena;
using namespace talvena::testing;

namespace {

class EditMenuTest : public WindowTest {
protected:
    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }
    void keys(QKeyCombination k)
    {
        QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
        settle();
    }
};

TEST_F(EditMenuTest, AnEditWithItsCascadeIsOneStepUndoneAndRedoneByItsKeys)
{
    QAction* undo = action("EditUndo");
    QAction* redo = action("EditRedo");
    ASSERT_TRUE(undo && redo);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    type("JvDBSpinEdit7", "12");
    leave("JvDBSpinEdit7");
    ASSERT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    dm->CommitPendingEdits();
    EXPECT_TRUE(dm->state().modified());
    EXPECT_EQ(undo->text(), u("Отменить «Кратность наблюдений МОГТ»"));

    // From the first page: the value and the method the rule chose go together, and the
    // control of the change comes into view.
    focus("JvDBLookupCombo1");
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(isNull("MOGTREPETISHIONS"));
    EXPECT_TRUE(isNull("PREPARATIONMETHOD_ID"));
    EXPECT_FALSE(dm->state().modified());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(redo->text(), u("Вернуть «Кратность наблюдений МОГТ»"));
    // The page of one of the step's controls is shown again.
    EXPECT_TRUE(find("JvDBSpinEdit7")->isVisible() || find("JvDBLookupCombo6")->isVisible());

    keys(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 12);
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_TRUE(dm->state().modified());
    keys(Qt::CTRL | Qt::Key_Z);
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 12);

    // Typing not yet posted is the text field's to undo; the passport keeps its step.
    type("DBEdit1", u("Южное"));
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(shown("DBEdit1"), QString());
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 12);
    // With nothing left to undo in the field, the key undoes the passport's last action.
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(isNull("MOGTREPETISHIONS"));
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

} // namespace
