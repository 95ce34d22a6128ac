#include "dialogs/picker_calls.h"
#include "dialogs/scale_picker.h"
#include "support/next_modal.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace talvena;

namespace {

QRadioButton* item(TEditScaleForm& f, int i) { return f.findChild<QRadioButton*>(QString("scaleItem%1").arg(i)); }

// Runs `drive` on the picker once PickScale has it on screen as a modal dialog.
std::optional<int> pickWith(const Value& current, std::function<void(TEditScaleForm&)> drive)
{
    testsupport::driveNextModal(drive);
    return PickScale(nullptr, current);
}

} // namespace

TEST(ScalePicker, CaptionsAndItems)
{
    TEditScaleForm f;
    EXPECT_EQ(f.windowTitle(), "Выбор масштаба");
    EXPECT_EQ(f.findChild<QGroupBox*>("scaleGroup")->title(), " Масштаб ");
    const char* const texts[] = {"Значение не задано", "1:10 000", "1:25 000", "1:50 000",
                                 "1:100 000", "1:200 000", "1:250 000", "Другой      1:"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(item(f, i)->text(), QString(texts[i])) << i;
    EXPECT_EQ(f.okButton()->text(), "Ok");
    EXPECT_TRUE(f.okButton()->isDefault());
    EXPECT_EQ(f.cancelButton()->text(), "Отказ");
    EXPECT_TRUE(f.otherScaleEdit()->isEnabled());
    EXPECT_EQ(f.minimumSize(), f.maximumSize()); // fixed size
}

TEST(ScalePicker, PresetSelectsItemAndFillsEdit)
{
    TEditScaleForm f;
    f.PresetScale(30000);
    EXPECT_EQ(f.itemIndex(), TEditScaleForm::kOtherItem);
    EXPECT_EQ(f.otherScaleEdit()->text(), "30000");
    EXPECT_EQ(f.chosenScale(), 30000);

    f.PresetScale(25000); // a usual scale empties the edit left from before
    EXPECT_EQ(f.itemIndex(), 2);
    EXPECT_EQ(f.otherScaleEdit()->text(), "");
    EXPECT_TRUE(item(f, 2)->isChecked());
    EXPECT_FALSE(item(f, TEditScaleForm::kOtherItem)->isChecked());

    const int usual[] = {0, 10000, 25000, 50000, 100000, 200000, 250000};
    for (int i = 0; i < 7; ++i) {
        f.PresetScale(usual[i]);
        EXPECT_EQ(f.itemIndex(), i);
        EXPECT_EQ(f.chosenScale(), usual[i]);
    }
    f.PresetScale(-5);
    EXPECT_EQ(f.itemIndex(), TEditScaleForm::kOtherItem);
    EXPECT_EQ(f.otherScaleEdit()->text(), "-5");
}

TEST(ScalePicker, PresetValueOfTheField)
{
    EXPECT_EQ(PickerPreset(Value()), 0); // an unset field
    EXPECT_EQ(PickerPreset(Value::integer(50000)), 50000);
    EXPECT_EQ(PickerPreset(Value::real(24999.6)), 25000);
    EXPECT_EQ(PickerPreset(Value::integer(int64_t(1) << 40)), 0);
    EXPECT_EQ(PickerPreset(Value::bytes("125")), 125);
}

TEST(ScalePicker, TypedScaleIsAWholeDecimalNumberOrZero)
{
    EXPECT_EQ(ParseTypedScale("75000"), 75000);
    EXPECT_EQ(ParseTypedScale(" 75000 "), 75000);
    EXPECT_EQ(ParseTypedScale("abc"), 0);
    EXPECT_EQ(ParseTypedScale(""), 0);
    EXPECT_EQ(ParseTypedScale("12.5"), 0);
    EXPECT_EQ(ParseTypedScale("1:30000"), 0);
    EXPECT_EQ(ParseTypedScale("30 000"), 0);
    EXPECT_EQ(ParseTypedScale("3000000000"), 0); // beyond an integer field
    EXPECT_EQ(ParseTypedScale("２５"), 0);          // full-width digits are not decimal digits here
}

TEST(ScalePicker, TypingDoesNotSelectTheLastItem)
{
    TEditScaleForm f;
    f.PresetScale(100000);
    f.show();
    QTest::keyClicks(f.otherScaleEdit(), "40000");
    EXPECT_EQ(f.itemIndex(), 4);
    EXPECT_EQ(f.chosenScale(), 100000);
    item(f, TEditScaleForm::kOtherItem)->click();
    EXPECT_EQ(f.chosenScale(), 40000);
}

TEST(ScalePicker, KeyboardConfirmsAndCancels)
{
    {
        TEditScaleForm f;
        f.PresetScale(0);
        f.show();
        f.otherScaleEdit()->setFocus();
        QTest::keyClick(f.otherScaleEdit(), Qt::Key_Return);
        EXPECT_EQ(f.result(), QDialog::Accepted);
    }
    {
        TEditScaleForm f;
        f.PresetScale(0);
        f.show();
        item(f, 3)->setFocus();
        QTest::keyClick(item(f, 3), Qt::Key_Enter);
        EXPECT_EQ(f.result(), QDialog::Accepted);
    }
    {
        TEditScaleForm f;
        f.PresetScale(0);
        f.show();
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(f.result(), QDialog::Rejected);
    }
}

TEST(ScalePicker, ModalPickReturnsTheChoiceOrNothing)
{
    EXPECT_EQ(pickWith(Value(), [](TEditScaleForm& f) {
                  EXPECT_EQ(f.itemIndex(), 0);
                  item(f, 5)->click();
                  f.okButton()->click();
              }),
              std::optional<int>(200000));
    // "Значение не задано" is a choice: 0, not nothing.
    EXPECT_EQ(pickWith(Value::integer(30000), [](TEditScaleForm& f) {
                  item(f, 0)->click();
                  f.okButton()->click();
              }),
              std::optional<int>(0));
    EXPECT_EQ(pickWith(Value::integer(30000), [](TEditScaleForm& f) {
                  f.otherScaleEdit()->setText("abc");
                  f.okButton()->click();
              }),
              std::optional<int>(0));
    EXPECT_EQ(pickWith(Value::integer(30000), [](TEditScaleForm& f) {
                  item(f, 1)->click();
                  f.cancelButton()->click();
              }),
              std::nullopt);
    EXPECT_EQ(pickWith(Value::integer(25000), [](TEditScaleForm& f) { f.close(); }), std::nullopt);
}
