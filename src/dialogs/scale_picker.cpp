#include "dialogs/scale_picker.h"

#include "base/cp1251.h"
#include "dialogs/picker_buttons.h"
#include "dialogs/window_placement.h"
#include "table/number_text.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>

namespace talvena {

namespace {

struct ScaleItem {
    const char* text;
    int denominator; // the last item's comes from the edit
};

constexpr ScaleItem kItems[] = {
    {"Значение не задано", 0},
    {"1:10 000", 10000},
    {"1:25 000", 25000},
    {"1:50 000", 50000},
    {"1:100 000", 100000},
    {"1:200 000", 200000},
    {"1:250 000", 250000},
    {"Другой      1:", 0},
};
static_assert(std::size(kItems) == TEditScaleForm::kOtherItem + 1);

} // namespace

int ParseTypedScale(const QString& text)
{
    int64_t value = 0;
    if (!ParseIntegerText(unicodeToCp1251(text), value)) return 0;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int>(value);
}

TEditScaleForm::TEditScaleForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("EditScaleForm");
    setWindowTitle("Выбор масштаба");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* group = new QGroupBox(" Масштаб ", this);
    group->setObjectName("scaleGroup");
    auto* grid = new QGridLayout(group);
    items_ = new QButtonGroup(this);
    for (int i = 0; i <= kOtherItem; ++i) {
        auto* radio = new QRadioButton(kItems[i].text, group);
        radio->setObjectName(QString("scaleItem%1").arg(i));
        items_->addButton(radio, i);
        // Only the last row shares its width with the edit.
        grid->addWidget(radio, i, 0, 1, i == kOtherItem ? 1 : 3);
    }
    // Typing here does not select the last item: the user picks it explicitly.
    otherEdit_ = new QLineEdit(group);
    otherEdit_->setObjectName("otherScaleEdit");
    otherEdit_->setFixedWidth(90);
    grid->addWidget(otherEdit_, kOtherItem, 1);
    grid->setColumnStretch(2, 1);

    const PickerButtons buttons = MakePickerButtons(this, "Ok", "okButton", false);
    okButton_ = buttons.confirm;
    cancelButton_ = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons.row);

    resize(sizeHint());
    FixAndCentreOnScreen(this);
}

int TEditScaleForm::itemIndex() const { return items_->checkedId(); }

void TEditScaleForm::setItemIndex(int index)
{
    if (QAbstractButton* b = items_->button(index)) b->setChecked(true);
}

void TEditScaleForm::PresetScale(int denominator)
{
    otherEdit_->clear();
    for (int i = 0; i < kOtherItem; ++i) {
        if (kItems[i].denominator == denominator) {
            setItemIndex(i);
            return;
        }
    }
    setItemIndex(kOtherItem);
    otherEdit_->setText(QString::fromLatin1(FormatInteger(denominator)));
}

int TEditScaleForm::chosenScale() const
{
    const int i = itemIndex();
    if (i < 0) return 0;
    return i == kOtherItem ? ParseTypedScale(otherEdit_->text()) : kItems[i].denominator;
}

} // namespace talvena
