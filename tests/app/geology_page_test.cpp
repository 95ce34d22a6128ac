// Entering the Geology page commits pending edits and fills its value labels from the totals.
#include "window_fixture.h"

using namespace talvena;
using namespace talvena::testing;

namespace {

class GeologyPageTest : public WindowTest {
protected:
    void addProductive(const char* name, int uv, double probable, double deviation)
    {
        RecordTable& t = dm->POSIB_PRODUCT_HOR;
        t.append();
        t.fieldByName("STRATIGRSVIT").setString(utf8ToCp1251(name));
        t.fieldByName("UV_ID").setInteger(uv);
        t.fieldByName("OILPERSPECTRESOURCEP").setFloat(probable);
        t.fieldByName("OILPERSPECTRESOURCES").setFloat(deviation);
        t.post();
    }
    void addReflecting(const char* index)
    {
        RecordTable& t = dm->REFLECT_HORIZONTS;
        t.append();
        t.fieldByName("INDEXOG").setString(utf8ToCp1251(index));
        t.post();
    }
};

TEST_F(GeologyPageTest, EnteringThePageCommitsAndShowsTheTotals)
{
    addProductive("Ю1", 397, 100, 10);
    addProductive("Ю2", 397, 50, 5);
    addReflecting("Б");
    type("DBEdit1", u("Купол"));
    ASSERT_NE(dm->PASPORTS.state(), TableState::Browse);

    focus("Label29"); // the user picks page 4
    EXPECT_EQ(window->PageControl2()->currentIndex(), 3);
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse);
    EXPECT_EQ(text("OBJECTNAME"), u("Купол"));
    EXPECT_EQ(shown("Label29"), u("горизонтов: 2 (Ю1, Ю2)"));
    EXPECT_EQ(shown("Label71"), u("горизонтов: 1 (Б)"));
    EXPECT_EQ(shown("Label93"), u("150"));
    EXPECT_EQ(shown("Label95"), u("от 105   до 195"));
    EXPECT_EQ(shown("Label72"), QString());
    EXPECT_EQ(shown("Label102"), QString());

    // Coming back to the page through the outer page reads the horizons again.
    addProductive("Ю3", 886, 10, 1);
    window->PageControl1()->setCurrentIndex(1);
    window->PageControl1()->setCurrentIndex(0);
    EXPECT_EQ(shown("Label29"), u("горизонтов: 3 (Ю1, Ю2, Ю3)"));
    EXPECT_EQ(shown("Label93"), u("160"));
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(GeologyPageTest, RefusedTypingLeftForThePageIsReportedOnceAndTakesTheUserBack)
{
    type("JvDBSpinEdit1", "2000");
    leave("JvDBSpinEdit1");
    type("JvDBSpinEdit2", "1999");
    window->postSelectInnerPage(3);
    settle();
    ASSERT_EQ(ui.boxes.size(), 1) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(ui.boxes[0].text, u("\"Год начала подготовки\" не может быть меньше \"года выявления объекта\"."));
    // The totals ran over the stored values; the refused year is back in front of the user.
    EXPECT_EQ(shown("Label29"), u("горизонтов: 0"));
    EXPECT_TRUE(isNull("STARTPREPARATIONYEAR"));
    EXPECT_EQ(window->PageControl2()->currentIndex(), 1);
    EXPECT_TRUE(editorOf("JvDBSpinEdit2")->hasFocus());
    EXPECT_EQ(shown("JvDBSpinEdit2"), u("1999"));
}

} // namespace
