#include "model/coordinates.h"

#include "base/cp1251.h"
#include "base/degrees.h"
#include "base/error.h"
#include "table/number_text.h"
#include "table/record_table.h"

#include <limits>

namespace talvena {
namespace {

constexpr char kDegreeSign = '\xB0'; // in CP1251

const char* const kDmsFormatError =
    "Ошибка, неправильный формат числа. "
    "Формат:ЦЕЛОЕ_ЧИСЛО_ГРАДУСОВ разделитель ЦЕЛОЕ_ЧИСЛО_МИНУТ разделитель ЧИСЛО_СЕКУНД";

double realOf(const Value& v)
{
    if (v.isReal()) return v.realValue();
    if (v.isInteger()) return static_cast<double>(v.integerValue());
    return 0;
}

QByteArray degreesMinutesSecondsText(double v)
{
    const Degrees d = SplitDegrees(v);
    return FormatInteger(d.degrees) + kDegreeSign + FormatInteger(d.minutes) + '"' +
           FormatNumberPattern("00.000", d.seconds);
}

// Reads the run of digits at `pos` as a 32-bit integer and skips it and the one character after.
bool takeInteger(const QByteArray& s, qsizetype& pos, int64_t& out)
{
    const qsizetype start = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == start) return false;
    int64_t v;
    if (!ParseIntegerText(s.mid(start, pos - start), v) || v > std::numeric_limits<int32_t>::max())
        return false;
    out = v;
    if (pos < s.size()) ++pos; // the separator, whatever it is
    return true;
}

} // namespace

QByteArray CoordinateText(int coordType, const Value& v)
{
    if (v.isNull()) return coordType == 1 ? QByteArray("0") + kDegreeSign + "0\"0" : QByteArray();
    const double x = realOf(v);
    switch (coordType) {
    case 0:
    case 3:
    case 4: return FormatNumberPattern("#########0.#########", x);
    case 2: return FormatNumberPattern("#00.000000", x);
    case 1: return degreesMinutesSecondsText(x);
    default: return {};
    }
}

bool ParseDegreesMinutesSeconds(const QByteArray& text, double& out)
{
    qsizetype pos = 0;
    int64_t degrees, minutes;
    if (!takeInteger(text, pos, degrees) || !takeInteger(text, pos, minutes)) return false;
    const QByteArray secondsText = text.mid(pos);
    double seconds;
    if (secondsText.isEmpty() || !ParseFloatText(secondsText, seconds)) return false;
    const long double result = degrees + minutes / 60.0L + (seconds / 60.0L) / 60.0L;
    out = static_cast<double>(result);
    return true;
}

double ParseDegreesMinutesSeconds(const QByteArray& text)
{
    double result;
    if (!ParseDegreesMinutesSeconds(text, result)) throw Error(kDmsFormatError);
    return result;
}

void ReadCoordinate(int coordType, const QByteArray& text, Field& field)
{
    QByteArray s = text;
    s.replace(" ", "");
    if (s.isEmpty()) {
        field.clear();
        return;
    }
    if (coordType == 1) {
        field.setFloat(ParseDegreesMinutesSeconds(s));
        // 0°0"0 is how an empty coordinate shows; reading it back keeps the field empty.
        if (field.asFloat() == 0) field.clear();
        return;
    }
    double value;
    if (!ParseFloatText(s, value))
        throw Error(formatMessage("'%s' is not a valid floating point value", {cp1251ToUtf8(s).toStdString()}));
    field.setFloat(value);
}

QByteArray CoordinateTypeName(const RecordTable& coords, int type)
{
    const Field& id = coords.fieldByName("ID");
    const Field& name = coords.fieldByName("NAME");
    for (int i = 0; i < coords.storedCount(); ++i) {
        const uint32_t row = coords.storedRow(i);
        if (!coords.rowIsNull(row, id) && coords.rowInteger(row, id) == type) return coords.rowBytes(row, name);
    }
    return {};
}

} // namespace talvena
