#include "gui/number_spinner.h"

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
    if (upperLimit_ > 0) value = std::min(value, upperLimit_);
    return QString::fromLatin1(decimals_ < 0 ? FormatInteger(static_cast<int64_t>(std::llround(value)))
                                             : FormatNumberPattern(pattern(decimals_), value));
}

QString NumberSpinner::normalized(const QString& typed) const
{
    double v = 0;
    if (typed.trimmed().isEmpty() || !parse(typed, v)) return typed;
    if (decimals_ < 0 && v != std::floor(v) && !(upperLimit_ > 0 && v > upperLimit_)) return typed;
    return formatValue(v);
}

void NumberSpinner::stepBy(int steps)
{
    double v = 0;
    parse(text(), v);
    v += steps;
    v = std::max(v, 0.0);
    lineEdit()->setText(formatValue(v));
    if (onStep) onStep();
}

QValidator::State NumberSpinner::validate(QString& input, int&) const
{
    if (!acceptsChar) return QValidator::Acceptable;
    for (QChar c : input)
        if (!acceptsChar(c)) return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled NumberSpinner::stepEnabled() const
{
    if (isReadOnly() || !isEnabled()) return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

} // namespace talvena
