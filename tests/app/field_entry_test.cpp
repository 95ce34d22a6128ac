// Typing into the bound controls: what reaches the fields, what is refused where it is typed, how
// a rejected value is reported, and when pending edits are committed.
#include "window_fixture.h"

using namespace talvena;
using namespace talvena::testing;

namespace {

class FieldEntryTest : public WindowTest {};

TEST_F(FieldEntryTest, ARejectedYearIsReportedTheControlKeepsTheFocusAndTheFieldItsValue)
{
    type("JvDBSpinEdit1", "2000");
    leave("JvDBSpinEdit1");
    ASSERT_EQ(field("SHOWINGUPYEAR").asInteger(), 2000);
    type("JvDBSpinEdit2", "2003");
    leave("JvDBSpinEdit2");
    ASSERT_EQ(field("STARTPREPARATIONYEAR").asInteger(), 2003);
    ASSERT_TRUE(ui.boxes.isEmpty());

    replaceText("JvDBSpinEdit2", "1990");
    leave("JvDBSpinEdit2");
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_EQ(ui.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(ui.boxes[0].text, u("\"Год начала подготовки\" не может быть меньше \"года выявления объекта\"."));
    EXPECT_EQ(field("STARTPREPARATIONYEAR").asInteger(), 2003);
    EXPECT_EQ(shown("JvDBSpinEdit2"), u("1990"));
    EXPECT_TRUE(find("JvDBSpinEdit2")->hasFocus() || editorOf("JvDBSpinEdit2")->hasFocus());

    // Leaving it again with the same text is refused again; Escape gives the stored value back.
    leave("JvDBSpinEdit2");
    ASSERT_EQ(ui.boxes.size(), 2);
    QTest::keyClick(editorOf("JvDBSpinEdit2"), Qt::Key_Escape);
    EXPECT_EQ(shown("JvDBSpinEdit2"), u("2003"));
    leave("JvDBSpinEdit2");
    ui.clear();

    // Further down the chain, and Enter commits as leaving does.
    type("JvDBSpinEdit3", "1995");
    QTest::keyClick(editorOf("JvDBSpinEdit3"), Qt::Key_Return);
    settle();
    ASSERT_EQ(ui.boxes.size(), 1) << ui.boxTexts().join("\n").toStdString();
    EXPECT_EQ(ui.boxes[0].text,
              u("\"Год окончания подготовки\" не может быть меньше \"Года начала подготовки\"."));
    EXPECT_TRUE(isNull("ENDPREPARATIONYEAR"));

    QTest::keyClick(editorOf("JvDBSpinEdit3"), Qt::Key_Escape);
    EXPECT_EQ(shown("JvDBSpinEdit3"), QString());
    type("JvDBSpinEdit3", "2005");
    leave("JvDBSpinEdit3");
    EXPECT_EQ(field("ENDPREPARATIONYEAR").asInteger(), 2005);
    EXPECT_EQ(ui.boxes.size(), 1);
}

TEST_F(FieldEntryTest, ARefusedValueLeftByChangingThePageIsReportedOnceAndTheControlGetsItBack)
{
    type("JvDBSpinEdit1", "2000");
    leave("JvDBSpinEdit1");
    type("JvDBSpinEdit2", "1999");
    window->PageControl2()->setCurrentIndex(0); // the user picks another page
    settle();
    ASSERT_EQ(ui.boxes.size(), 1) << ui.boxTexts().join('\n').toStdString();
    EXPECT_EQ(window->PageControl2()->currentIndex(), 1);
    EXPECT_TRUE(editorOf("JvDBSpinEdit2")->hasFocus());
    EXPECT_TRUE(isNull("STARTPREPARATIONYEAR"));
    EXPECT_EQ(shown("JvDBSpinEdit2"), u("1999"));
}

TEST_F(FieldEntryTest, ACommitThatFindsRefusedTypingReportsItThroughTheErrorHandler)
{
    type("JvDBSpinEdit1", "2000");
    leave("JvDBSpinEdit1");
    type("JvDBSpinEdit2", "1999");
    // Saving posts the record while the typed year is still in its control.
    EXPECT_THROW(dm->CommitPendingEdits(), Error);
    EXPECT_TRUE(isNull("STARTPREPARATIONYEAR"));
    EXPECT_NE(dm->PASPORTS.state(), TableState::Browse);
    settle();
    EXPECT_TRUE(editorOf("JvDBSpinEdit2")->hasFocus());
}

TEST_F(FieldEntryTest, CharactersTheCodePageOrTheFieldCannotHoldAreRefusedWhereTyped)
{
    type("DBEdit1", u("Объект №1 — «Южный» ✓ 😀"));
    EXPECT_EQ(shown("DBEdit1"), u("Объект №1 — «Южный»  "));
    leave("DBEdit1");
    EXPECT_EQ(field("OBJECTNAME").asString(), utf8ToCp1251("Объект №1 — «Южный»  "));

    // Spinners take only what their field's type takes.
    type("JvDBSpinEdit1", u("19a8б7"));
    EXPECT_EQ(shown("JvDBSpinEdit1"), u("1987"));
    type("JvDBSpinEdit6", "1.5x");
    EXPECT_EQ(shown("JvDBSpinEdit6"), u("1.5"));

    // A string field keeps at most its size.
    auto* name = editorOf("DBEdit1");
    EXPECT_EQ(name->maxLength(), field("OBJECTNAME").size());
}

TEST_F(FieldEntryTest, FractionalSpinnersStoreWhatWasTypedAndShowItByTheirDecimals)
{
    type("JvDBSpinEdit10", "12.4"); // no decimals shown
    leave("JvDBSpinEdit10");
    EXPECT_EQ(field("RECIVESTEP").asFloat(), 12.4);
    EXPECT_EQ(shown("JvDBSpinEdit10"), u("12"));
    focus("JvDBSpinEdit10"); // while it is edited the box shows every digit
    EXPECT_EQ(shown("JvDBSpinEdit10"), u("12.4"));
    leave("JvDBSpinEdit10");
    EXPECT_EQ(field("RECIVESTEP").asFloat(), 12.4); // looking at it changed nothing
    EXPECT_EQ(shown("JvDBSpinEdit10"), u("12"));

    type("JvDBSpinEdit6", "2.14"); // one decimal
    leave("JvDBSpinEdit6");
    EXPECT_EQ(field("GRIDDENCITY").asFloat(), 2.14);
    EXPECT_EQ(shown("JvDBSpinEdit6"), u("2.1"));
    replaceText("JvDBSpinEdit6", "0.04"); // above zero, though it shows as 0.0
    leave("JvDBSpinEdit6");
    EXPECT_EQ(field("GRIDDENCITY").asFloat(), 0.04);
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

TEST_F(FieldEntryTest, ACommaTypedIntoAFractionalFieldIsTheDecimalPointAndASecondSeparatorIsRefused)
{
    type("JvDBSpinEdit6", "2,5");
    EXPECT_EQ(shown("JvDBSpinEdit6"), u("2.5"));
    type("JvDBSpinEdit6", ",7.");  // neither a second comma nor a point after it
    EXPECT_EQ(shown("JvDBSpinEdit6"), u("2.57"));
    leave("JvDBSpinEdit6");
    EXPECT_EQ(field("GRIDDENCITY").asFloat(), 2.57);
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
    // Whole-number fields still refuse it.
    type("JvDBSpinEdit1", "19,87");
    EXPECT_EQ(shown("JvDBSpinEdit1"), u("1987"));
}

TEST_F(FieldEntryTest, ShowingAllDigitsWhileEditingIsNoChangeForTheMethodRule)
{
    // Group 1 and group 2 both hold values, as a file may bring them.
    dm->PASPORTS.edit();
    dm->state().setLoading(true);
    field("RECIVESTEP").setFloat(12.4);
    field("MAXDISTANCE3D").setFloat(3000);
    dm->state().setLoading(false);
    focus("JvDBSpinEdit10");
    EXPECT_EQ(shown("JvDBSpinEdit10"), u("12.4"));
    leave("JvDBSpinEdit10");
    EXPECT_EQ(field("MAXDISTANCE3D").asFloat(), 3000); // the 3D group was not emptied
    EXPECT_EQ(field("RECIVESTEP").asFloat(), 12.4);
}

TEST_F(FieldEntryTest, AValueAboveTheLimitIsRefusedWithAMessageAndTheTypedTextStays)
{
    type("JvDBSpinEdit5", "5000"); // years stop at 3000
    leave("JvDBSpinEdit5");
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, u("Значение должно быть не больше 3000."));
    EXPECT_EQ(ui.boxes[0].caption, BoxCaption::Error);
    EXPECT_TRUE(isNull("PREPAREDFUNDYEAR"));
    EXPECT_EQ(shown("JvDBSpinEdit5"), u("5000"));
    EXPECT_TRUE(editorOf("JvDBSpinEdit5")->hasFocus() || find("JvDBSpinEdit5")->hasFocus());
    replaceText("JvDBSpinEdit5", "3000"); // the limit itself is taken
    leave("JvDBSpinEdit5");
    EXPECT_EQ(field("PREPAREDFUNDYEAR").asInteger(), 3000);

    type("JvDBSpinEdit10", "250000"); // the page's limit of 100000
    leave("JvDBSpinEdit10");
    ASSERT_EQ(ui.boxes.size(), 2);
    EXPECT_EQ(ui.boxes[1].text, u("Значение должно быть не больше 100000."));
    EXPECT_TRUE(isNull("RECIVESTEP"));
    QTest::keyClick(editorOf("JvDBSpinEdit10"), Qt::Key_Escape);
    leave("JvDBSpinEdit10");

    // The arrows stop at the limit.
    replaceText("JvDBSpinEdit4", "2999");
    QTest::keyClick(editorOf("JvDBSpinEdit4"), Qt::Key_Up);
    QTest::keyClick(editorOf("JvDBSpinEdit4"), Qt::Key_Up);
    leave("JvDBSpinEdit4");
    EXPECT_EQ(field("REPORTYEAR").asInteger(), 3000);
    EXPECT_EQ(ui.boxes.size(), 2);
}

TEST_F(FieldEntryTest, ArrowsStepTheShownValueAndAnEmptiedSpinnerStoresNull)
{
    // An empty box steps from 0.
    focus("JvDBSpinEdit7");
    QTest::keyClick(editorOf("JvDBSpinEdit7"), Qt::Key_Up);
    QTest::keyClick(editorOf("JvDBSpinEdit7"), Qt::Key_Up);
    leave("JvDBSpinEdit7");
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 2);

    // A fractional value steps with its fraction.
    type("JvDBSpinEdit8", "3000.4");
    QTest::keyClick(editorOf("JvDBSpinEdit8"), Qt::Key_Down);
    leave("JvDBSpinEdit8");
    EXPECT_EQ(field("MAXDISTANCE").asFloat(), 2999.4);

    // Emptying a spinner stores NULL, not 0.
    replaceText("JvDBSpinEdit7", "");
    QTest::keyClick(editorOf("JvDBSpinEdit7"), Qt::Key_Backspace);
    leave("JvDBSpinEdit7");
    EXPECT_TRUE(isNull("MOGTREPETISHIONS"));
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

TEST_F(FieldEntryTest, ALongTextShowsItsBeginning)
{
    const QString longName = u("Южно-Ключевское поднятие в пределах Среднеобской нефтегазоносной области, "
                                 "подготовленное сейсморазведкой МОГТ 2D и 3D");
    dm->PASPORTS.edit();
    field("OBJECTNAME").setString(unicodeToCp1251(longName)); // as an open brings it
    QLineEdit* edit = editorOf("DBEdit1");
    ASSERT_LT(edit->width(), edit->fontMetrics().horizontalAdvance(longName));
    EXPECT_EQ(edit->cursorPosition(), 0);

    // Typed at the end and left: the beginning shows again.
    type("DBEdit1", u(" (Западный блок)"));
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
    leave("DBEdit1");
    EXPECT_EQ(edit->cursorPosition(), 0);
}

TEST_F(FieldEntryTest, PickingAnotherPageCommitsPendingEditsButAPageMessageDoesNot)
{
    ASSERT_FALSE(dm->state().modified());
    // A control's action posts the record at once; a value written without a post (as the page
    // rules after an open leave it) waits for a commit.
    dm->PASPORTS.edit();
    field("OBJECTNAME").setString(unicodeToCp1251(u("Северный купол")));
    ASSERT_NE(dm->PASPORTS.state(), TableState::Browse);

    // A page chosen by a message changes the page and commits nothing.
    window->postSelectInnerPage(2);
    EXPECT_EQ(window->PageControl2()->currentIndex(), 0); // queued, not yet carried out
    settle();
    EXPECT_EQ(window->PageControl2()->currentIndex(), 2);
    EXPECT_NE(dm->PASPORTS.state(), TableState::Browse);
    EXPECT_FALSE(dm->state().modified());

    // The user's choice of page commits.
    window->PageControl2()->setCurrentIndex(1);
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse);
    EXPECT_TRUE(dm->state().modified());
    EXPECT_EQ(text("OBJECTNAME"), u("Северный купол"));

    // Typing still pending in a control goes in with the commit.
    type("DBEdit2", u("ОАО «Геофизика»"));
    window->PageControl2()->setCurrentIndex(0);
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse);
    EXPECT_EQ(text("PREPARATIONORGANIZATION"), u("ОАО «Геофизика»"));
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(FieldEntryTest, PickerBoxesWriteTheConfirmedValueAndPostTheRecordEitherWay)
{
    // Cancelled: nothing written, the pending record (typing not yet left) is posted all the same.
    type("DBEdit10", u("ВЭЗ"));
    ASSERT_NE(dm->PASPORTS.state(), TableState::Browse);
    QTest::mouseClick(find<PickerBox>("JvDBComboEdit6")->button(), Qt::LeftButton);
    settle();
    EXPECT_EQ(pickers.presets, QList<int>{0});
    EXPECT_TRUE(isNull("SHOOTSCALEST"));
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse);
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 90);

    // Confirmed: the scale goes in, the box shows its text and the group's rule runs.
    pickers.scales.push_back(50000);
    QTest::mouseClick(find<PickerBox>("JvDBComboEdit6")->button(), Qt::LeftButton);
    settle();
    EXPECT_EQ(field("SHOOTSCALEST").asInteger(), 50000);
    EXPECT_EQ(shown("JvDBComboEdit6"), u("1: 50 000"));
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 91);
    EXPECT_EQ(dm->PASPORTS.state(), TableState::Browse);

    // The stratigraphic pickers of page 4 are preset with the stored index.
    focus("JvDBComboEdit1");
    pickers.indexes.push_back(16001);
    QTest::mouseClick(find<PickerBox>("JvDBComboEdit1")->button(), Qt::LeftButton);
    pickers.indexes.push_back(std::nullopt);
    QTest::mouseClick(find<PickerBox>("JvDBComboEdit1")->button(), Qt::LeftButton);
    EXPECT_EQ(pickers.presets.last(), 16001);
    EXPECT_EQ(field("STRATIGR_KROVL").asInteger(), 16001);
    EXPECT_EQ(shown("JvDBComboEdit1"), cp1251ToUnicode(field("_STRATIGR_KROVL").asString()));
    EXPECT_FALSE(shown("JvDBComboEdit1").isEmpty());
}

} // namespace
