#pragma once
// A numeric text box with up/down buttons that, unlike QSpinBox, can be empty: the text is the
// field's text and an empty box stands for NULL. The arrows step by 1 within 0 and the limit.
#include <QAbstractSpinBox>
#include <functional>

namespace talvena {

class NumberSpinner : public QAbstractSpinBox {
public:
    explicit NumberSpinner(QWidget* parent = nullptr);

    // Decimals shown; kIntegerSpinner (-1) for whole numbers.
    void setDecimals(int decimals) { decimals_ = decimals; }
    int decimals() const { return decimals_; }
    void setUpperLimit(double limit) { upperLimit_ = limit; } // 0: none
    double upperLimit() const { return upperLimit_; }

    // Which typed characters the box takes; all when unset.
    std::function<bool(QChar)> acceptsChar;
    // Runs after the arrows or the arrow keys changed the text.
    std::function<void()> onStep;

    QLineEdit* editor() const { return lineEdit(); }

    // The text a number is shown with: by the decimals, clamped to the limit.
    QString formatValue(double value) const;
    // Text as typed, made what the field should store: clamped to the limit and rounded to the
    // decimals shown. Text that is not a number is returned as it is, for the field to refuse.
    QString normalized(const QString& typed) const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int decimals_ = -1;
    double upperLimit_ = 0;
};

} // namespace talvena
