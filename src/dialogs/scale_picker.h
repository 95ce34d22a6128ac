#pragma once
// The map-scale picker: eight radio items (no value, six usual scales, any other scale typed into
// the edit on the last row) and "Ok" / "Отказ". A scale is the denominator N of 1:N.
#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;

namespace talvena {

class TEditScaleForm : public QDialog {
public:
    // The radio item that stands for a typed scale.
    static constexpr int kOtherItem = 7;

    explicit TEditScaleForm(QWidget* parent = nullptr);

    // Selects the item of a denominator; one that has no item of its own selects the last one
    // with the number in the edit. The edit is emptied otherwise.
    void PresetScale(int denominator);

    // The denominator the current choice stands for: the item's, or for the last item the edit's
    // text read as a whole decimal number (0 when it is not one, "1:" prefixes included).
    int chosenScale() const;

    int itemIndex() const;                       // -1 when nothing is selected
    void setItemIndex(int index);
    QLineEdit* otherScaleEdit() const { return otherEdit_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    QButtonGroup* items_;
    QLineEdit* otherEdit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

// A whole decimal number within the range of an integer field, or 0.
int ParseTypedScale(const QString& text);

} // namespace talvena
