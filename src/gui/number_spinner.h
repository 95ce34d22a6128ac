#pragma once
// A numeric text box with up/down buttons that, unlike QSpinBox, can be empty: the text is the
// field's text and an empty box stands for NULL. The arrows step by 1 within 0 and the limit.
//
// The decimals are only how a value is shown while the box is not being edited; what is typed is
// what the field stores, to the precision of a double. A value above the limit is refused by the
// binder, not changed.
#include <QAbstractSpinBox>
#include <functional>

namespace talvena {

class Field;

class NumberSpinner : public QAbstractSpinBox {
public:
    explicit NumberSpinner(QWidget* parent = nullptr);

    // Decimals shown; kIntegerSpinner (-1) for whole numbers.
    void setDecimals(int decimals) { decimals_ = decimals; }
    int decimals() const { return decimals_; }
    void setUpperLimit(double limit) { upperLimit_ = limit; } // 0: none
    double upperLimit() const { return upperLimit_; }

    // The field whose typing rules the box follows (field_editor.h); any text when unset.
    std::function<const Field*()> typedField;
    // Runs after the arrows or the arrow keys changed the text.
    std::function<void()> onStep;

    QLineEdit* editor() const { return lineEdit(); }

    // The text a value is shown with outside editing: by the decimals.
    QString formatValue(double value) const;
    // The text a value is edited with: every digit it has.
    QString editValue(double value) const;
    // Whether a typed number lies above the limit (text that is no number does not).
    bool exceedsLimit(const QString& typed) const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int decimals_ = -1;
    double upperLimit_ = 0;
};

} // namespace talvena
