#include "table/field.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "table/date_text.h"
#include "table/number_text.h"
#include "table/record_table.h"

#include <cmath>
#include <limits>

namespace talvena {

namespace {

std::string shown(const QByteArray& cp1251) { return cp1251ToUtf8(cp1251).toStdString(); }

struct IntRange { int64_t low, high; };

IntRange integerRange(FieldType t)
{
    switch (t) {
    case FieldType::SmallInt: return {-32768, 32767};
    case FieldType::Word: return {0, 65535};
    case FieldType::Boolean: return {0, 1};
    default: return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    }
}

bool isInt32(FieldType t) { return t == FieldType::Integer || t == FieldType::AutoInc; }

// Valid characters of the numeric types; the decimal separator is always a point.
QByteArray defaultValidChars(FieldType t)
{
    if (isIntegerType(t)) return "+-0123456789";
    if (t == FieldType::Float || t == FieldType::Currency || t == FieldType::BCD) return "+-0123456789Ee.";
    return {};
}

} // namespace

Field::Field(RecordTable& table, const FieldDef& def, int index)
    : table_(&table), def_(def), index_(index), validChars_(defaultValidChars(def.type))
{
    if (def_.objectName.isEmpty()) def_.objectName = table.name() + def_.name;
}

Value Field::value() const { return table_->readField(*this); }

int64_t Field::asInteger() const
{
    const Value v = value();
    if (v.isNull()) return 0;
    if (v.isInteger()) return v.integerValue();
    if (v.isReal()) return std::llround(v.realValue());
    int64_t out = 0;
    if (!ParseIntegerText(v.bytesValue(), out))
        throw Error(formatMessage("'%s' is not a valid integer value", {shown(v.bytesValue())}));
    return out;
}

double Field::asFloat() const
{
    const Value v = value();
    if (v.isNull()) return 0.0;
    if (v.isInteger()) return static_cast<double>(v.integerValue());
    if (v.isReal()) return v.realValue();
    double out = 0;
    if (!ParseFloatText(v.bytesValue(), out))
        throw Error(formatMessage("'%s' is not a valid floating point value", {shown(v.bytesValue())}));
    return out;
}

QByteArray Field::asString() const { return defaultText(value(), false); }

QByteArray Field::asBytes() const
{
    const Value v = value();
    return v.isBytes() ? v.bytesValue() : defaultText(v, false);
}

QByteArray Field::defaultText(const Value& v, bool display) const
{
    if (v.isNull()) return {};
    if (v.isBytes()) return def_.type == FieldType::Blob ? QByteArray() : v.bytesValue();
    if (v.isInteger()) return FormatInteger(v.integerValue());
    const double d = v.realValue();
    if (isDateType(def_.type)) return FormatDateTimeText(d);
    if (display && !displayFormat_.isEmpty()) return FormatNumberPattern(displayFormat_, d);
    return FormatFloatGeneral(d);
}

void Field::setRequired(bool r)
{
    if (def_.required == r) return;
    def_.required = r;
    table_->changed();
}

Value Field::coerce(const Value& v) const
{
    if (v.isNull()) return v;
    switch (valueClass()) {
    case ValueClass::Integer: {
        int64_t i = 0;
        if (v.isInteger()) i = v.integerValue();
        else if (v.isReal()) i = std::llround(v.realValue());
        else if (!ParseIntegerText(v.bytesValue().trimmed(), i))
            throw Error(formatMessage("'%s' is not a valid integer value for field '%s'",
                                      {shown(v.bytesValue()), name().toStdString()}));
        const IntRange r = integerRange(def_.type);
        // An Integer holds every 32-bit value, so a number beyond them is no integer of its kind;
        // the narrower types name their range.
        if ((i < r.low || i > r.high) && isInt32(def_.type))
            throw Error(formatMessage("'%s' is not a valid integer value for field '%s'",
                                      {v.isBytes() ? shown(v.bytesValue()) : std::to_string(i), name().toStdString()}));
        if (i < r.low || i > r.high)
            throw Error(formatMessage("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                                      {std::to_string(i), name().toStdString(), std::to_string(r.low),
                                       std::to_string(r.high)}));
        return Value::integer(i);
    }
    case ValueClass::Real: {
        if (v.isReal()) return v;
        if (v.isInteger()) return Value::real(static_cast<double>(v.integerValue()));
        double d = 0;
        if (isDateType(def_.type)) {
            if (!ParseDateTimeText(v.bytesValue(), d))
                throw Error(formatMessage("'%s' is not a valid date and time", {shown(v.bytesValue())}));
        } else if (!ParseFloatText(v.bytesValue(), d)) {
            throw Error(formatMessage("'%s' is not a valid floating point value for field '%s'",
                                      {shown(v.bytesValue()), name().toStdString()}));
        }
        return Value::real(d);
    }
    case ValueClass::Bytes: {
        QByteArray b = v.isBytes() ? v.bytesValue() : defaultText(v, false);
        const bool sized = def_.type == FieldType::String || def_.type == FieldType::FixedChar;
        if (sized && def_.size > 0 && b.size() > def_.size) b.truncate(def_.size);
        return Value::bytes(std::move(b));
    }
    }
    return v;
}

void Field::setValue(const Value& v) { table_->writeField(*this, v); }
void Field::setInteger(int64_t v) { setValue(Value::integer(v)); }
void Field::setFloat(double v) { setValue(Value::real(v)); }
void Field::setString(const QByteArray& v) { setValue(Value::bytes(v)); }

QByteArray Field::displayText()
{
    if (onGetText) return onGetText(*this, true);
    return defaultText(value(), true);
}

QByteArray Field::editText()
{
    if (onGetText) return onGetText(*this, false);
    return defaultText(value(), false);
}

void Field::setText(const QByteArray& text)
{
    if (onSetText) {
        onSetText(*this, text);
        return;
    }
    if (text.isEmpty()) {
        clear();
        return;
    }
    setValue(Value::bytes(text));
}

} // namespace talvena
