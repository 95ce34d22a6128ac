// How the pages meet the mouse and the keys: the wheel over controls, and the inner tabs, which
// must all be one click away at the widths the program is used at.
#include "gui/multi_row_tab_widget.h"
#include "gui/wheel_policy.h"
#include "window_fixture.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

using namespace talvena;
using namespace talvena::testing;

namespace {

class PageControlsTest : public WindowTest {
protected:
    // One notch of the wheel over the middle of a control, delivered where Qt delivers it.
    static void wheel(QWidget* target, int notches)
    {
        const QPointF local = QRectF(target->rect()).center();
        QWheelEvent e(local, target->mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
        settle();
    }
    QScrollBar* pageScrollBar(int page) const
    {
        return window->innerPage(page)->findChild<QScrollArea*>()->verticalScrollBar();
    }
    MultiRowTabWidget* tabs() const { return dynamic_cast<MultiRowTabWidget*>(window->PageControl2()); }
};

TEST_F(PageControlsTest, TheWheelOverAnUnfocusedControlScrollsThePageAndChangesNoValue)
{
    window->resize(900, 420); // page 3 is then taller than its view
    settle();
    type("DBEdit10", u("ВЭЗ")); // group 3 holds a value: a rule run by the wheel would empty it
    QScrollBar* bar = pageScrollBar(2);
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);

    wheel(find("JvDBSpinEdit12"), -1); // an empty 3D field
    EXPECT_TRUE(isNull("MOGTREPETISHIONS3D"));
    EXPECT_EQ(shown("JvDBSpinEdit12"), QString());
    EXPECT_GT(bar->value(), 0); // the page scrolled instead
    leave("DBEdit10");
    EXPECT_EQ(text("ELECTROMETHOD"), u("ВЭЗ"));
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 90);

    wheel(find("JvDBLookupCombo10"), -1);
    EXPECT_TRUE(isNull("DRIVINGTYPE_ID"));
    wheel(find<PickerBox>("JvDBComboEdit3"), -1);
    EXPECT_TRUE(isNull("SHOOTSCALE"));

    // A district under the pointer stays as it is, and so does the oblast it holds.
    pick("JvDBLookupCombo1", "Центральный федеральный округ");
    pick("JvDBLookupCombo4", "Московская область");
    focus("DBEdit1");
    wheel(find("JvDBLookupCombo1"), -1);
    wheel(find("JvDBLookupCombo1"), 1);
    EXPECT_EQ(shown("JvDBLookupCombo1"), u("Центральный федеральный округ"));
    EXPECT_EQ(shown("JvDBLookupCombo4"), u("Московская область"));
    EXPECT_FALSE(isNull("OBLAST_ID"));

    // With the focus the wheel steps the value as the arrows do.
    focus("JvDBSpinEdit12");
    wheel(find("JvDBSpinEdit12"), 1);
    leave("JvDBSpinEdit12");
    EXPECT_EQ(field("MOGTREPETISHIONS3D").asInteger(), 1);
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

TEST_F(PageControlsTest, TheWheelPolicyKeepsControlsFromTakingTheFocusByTheWheel)
{
    for (const char* name : {"JvDBSpinEdit1", "JvDBLookupCombo1", "JvDBComboEdit1"}) {
        QWidget* w = find(name);
        EXPECT_NE(w->focusPolicy() & Qt::WheelFocus, Qt::WheelFocus) << name;
        for (QWidget* child : w->findChildren<QWidget*>())
            EXPECT_NE(child->focusPolicy() & Qt::WheelFocus, Qt::WheelFocus) << name;
    }
    // Installing twice filters once.
    QComboBox combo;
    takeWheelOnlyWithFocus(&combo);
    takeWheelOnlyWithFocus(&combo);
    EXPECT_EQ(combo.findChildren<QObject*>(QStringLiteral("talvenaWheelPolicy"), Qt::FindDirectChildrenOnly).size(), 1);
}

TEST_F(PageControlsTest, EveryInnerPageIsOneClickAwayAtCommonWidths)
{
    ASSERT_NE(tabs(), nullptr);
    QWidget* strip = tabs()->strip();
    for (int width : {1400, 1280, 965, 640}) {
        window->resize(width, 800);
        settle();
        ASSERT_EQ(window->width(), width);
        for (int i = tabs()->count() - 1; i >= 0; --i) {
            const QRect r = tabs()->tabRect(i);
            ASSERT_TRUE(strip->rect().contains(r)) << width << " px, page " << i;
            QTest::mouseClick(strip, Qt::LeftButton, {}, r.center());
            // (Before the queued return of a page entry check that finds data missing.)
            EXPECT_EQ(tabs()->currentIndex(), i) << width << " px";
            // The page begins below the rows of tabs.
            EXPECT_GE(tabs()->currentWidget()->mapTo(tabs(), QPoint(0, 0)).y(), strip->geometry().bottom() - 2);
            settle();
        }
        EXPECT_GE(tabs()->rowCount(), width >= 1280 ? 1 : 2) << width;
    }
    // Tabs keep their order row by row, and the captions are the pages'.
    for (int i = 1; i < tabs()->count(); ++i) {
        const QRect a = tabs()->tabRect(i - 1), b = tabs()->tabRect(i);
        EXPECT_TRUE(b.top() > a.top() || (b.top() == a.top() && b.left() >= a.right())) << i;
    }
    EXPECT_EQ(tabs()->tabText(10), u("11.Контуры ловушек"));
}

TEST_F(PageControlsTest, AClickOnATabIsTheUsersChoiceOfPage)
{
    type("DBEdit1", u("Северный купол"));
    ASSERT_NE(dm->PASPORTS.state(), TableState::Browse);
    QTest::mouseClick(tabs()->strip(), Qt::LeftButton, {}, tabs()->tabRect(11).center());
    EXPECT_EQ(tabs()->currentIndex(), 11);
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse); // PageControl2Change committed the edit
    EXPECT_EQ(text("OBJECTNAME"), u("Северный купол"));
}

TEST_F(PageControlsTest, KeysStepThroughThePages)
{
    focus("DBEdit1");
    QTest::keyClick(editorOf("DBEdit1"), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs()->currentIndex(), 1);
    focus("JvDBSpinEdit1"); // a spinner does not take Ctrl+PgUp as a step of ten
    QTest::keyClick(editorOf("JvDBSpinEdit1"), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_TRUE(isNull("SHOWINGUPYEAR"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs()->currentIndex(), 11); // round from the first to the last
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs()->currentIndex(), 0);

    // On the focused strip the arrows move between tabs.
    tabs()->strip()->setFocus();
    QTest::keyClick(tabs()->strip(), Qt::Key_Right);
    QTest::keyClick(tabs()->strip(), Qt::Key_Right);
    EXPECT_EQ(tabs()->currentIndex(), 2);
    QTest::keyClick(tabs()->strip(), Qt::Key_End);
    EXPECT_EQ(tabs()->currentIndex(), 11);
}

} // namespace
