#include "gui/number_spinner.h"

#include "gui/field_editor.h"
#include "table/number_text.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

namespace talvena {

namespace {

QByteArray pattern(int decimals)
{
    if (decimals <= 0) return "0";
    return "0." + QByteArray(decimals, '0');
}

bool parse(const QString& text, double& out) { return ParseFloatText(text.trimmed().toLatin1(), out); }

} // namespace

NumberSpinner::NumberSpinner(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

QString NumberSpinner::formatValue(double value) const
{
    return QString::fromLatin1(decimals_ < 0 ? FormatInteger(static_cast<int64_t>(std::llround(value)))
                                             : FormatNumberPattern(pattern(decimals_), value));
}

QString NumberSpinner::editValue(double value) const
{
    return QString::fromLatin1(decimals_ < 0 ? FormatInteger(static_cast<int64_t>(std::llround(value)))
                                             : FormatFloatGeneral(value));
}

bool NumberSpinner::exceedsLimit(const QString& typed) const
{
    double v = 0;
    return upperLimit_ > 0 && parse(typed, v) && v > upperLimit_;
}

void NumberSpinner::stepBy(int steps)
{
    double v = 0;
    parse(text(), v);
    v += steps;
    v = std::max(v, 0.0);
    if (upperLimit_ > 0) v = std::min(v, upperLimit_);
    lineEdit()->setText(editValue(v));
    if (onStep) onStep();
}

QValidator::State NumberSpinner::validate(QString& input, int&) const
{
    return typedField ? CheckTypedText(typedField(), input) : QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled NumberSpinner::stepEnabled() const
{
    if (isReadOnly() || !isEnabled()) return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

} // namespace talvena
