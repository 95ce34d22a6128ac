#include "table/date_text.h"

#include "base/error.h"
#include "table/trimmed_spaces.h"

#include <cmath>
#include <cstdint>

namespace talvena {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1 March of year 0 (proleptic Gregorian) to 30 December 1899.
constexpr int64_t kEpochShift = 693899;

// Day number of a calendar date, counted in 400-year eras from 1 March of year 0 so that the
// leap day comes last in each counted year.
int64_t dayNumber(int year, int month, int day)
{
    const int64_t y = year - (month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - kEpochShift;
}

void calendarDate(int64_t dayNo, int& year, int& month, int& day)
{
    const int64_t z = dayNo + kEpochShift;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

void appendTwoDigits(QByteArray& out, int n)
{
    out += char('0' + n / 10 % 10);
    out += char('0' + n % 10);
}

QByteArray dateText(int year, int month, int day)
{
    QByteArray out;
    appendTwoDigits(out, day);
    out += '.';
    appendTwoDigits(out, month);
    out += '.';
    appendTwoDigits(out, year / 100);
    appendTwoDigits(out, year % 100);
    return out;
}

// Reads 1..maxDigits digits at p; false when there are none or more.
bool readNumber(const char*& p, const char* end, int maxDigits, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (++digits > maxDigits)
            return false;
        value = value * 10 + (*p++ - '0');
    }
    return digits > 0;
}

bool readNumber(const char*& p, const char* end, int maxDigits, int& value)
{
    int digits;
    return readNumber(p, end, maxDigits, value, digits);
}

bool expect(const char*& p, const char* end, char c)
{
    if (p == end || *p != c)
        return false;
    ++p;
    return true;
}

} // namespace

bool IsValidDate(int year, int month, int day)
{
    static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const int days = kMonthDays[month - 1] + (month == 2 && isLeapYear(year));
    return day <= days;
}

bool TryEncodeDateValue(int year, int month, int day, int hour, int minute, int second, int msec,
                        double& out)
{
    if (!IsValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59
        || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    const double days = static_cast<double>(dayNumber(year, month, day));
    const double time =
        static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + msec) / kMsPerDay;
    out = days >= 0 ? days + time : days - time;
    return true;
}

double EncodeDateValue(int year, int month, int day, int hour, int minute, int second, int msec)
{
    double value;
    if (!TryEncodeDateValue(year, month, day, hour, minute, second, msec, value))
        throw Error("Invalid date or time");
    return value;
}

bool DecodeDateValue(double value, int& year, int& month, int& day, int& hour, int& minute,
                     int& second, int& msec)
{
    year = month = day = hour = minute = second = msec = 0;
    // The margin of one day lets a time that rounds up still reach the last valid day.
    if (!std::isfinite(value) || value <= kMinDateValue - 1 || value >= kMaxDateValue + 1)
        return false;
    const double whole = std::trunc(value);
    int64_t dayNo = static_cast<int64_t>(whole);
    int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++dayNo; // the next calendar day for either sign
    }
    if (dayNo < static_cast<int64_t>(kMinDateValue) || dayNo >= static_cast<int64_t>(kMaxDateValue))
        return false;
    calendarDate(dayNo, year, month, day);
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
    return true;
}

QByteArray FormatDateTimeText(double value)
{
    int y, m, d, h, mi, s, ms;
    if (!DecodeDateValue(value, y, m, d, h, mi, s, ms))
        return {};
    QByteArray out = dateText(y, m, d);
    if (h == 0 && mi == 0 && s == 0 && ms == 0)
        return out;
    out += ' ';
    appendTwoDigits(out, h);
    out += ':';
    appendTwoDigits(out, mi);
    out += ':';
    appendTwoDigits(out, s);
    return out;
}

QByteArray FormatDateText(double value)
{
    int y, m, d, h, mi, s, ms;
    if (!DecodeDateValue(value, y, m, d, h, mi, s, ms))
        return {};
    return dateText(y, m, d);
}

bool ParseDateTimeText(const QByteArray& text, double& out)
{
    auto [p, end] = TrimmedSpaces(text);

    int day, month, year, yearDigits;
    if (!readNumber(p, end, 2, day) || !expect(p, end, '.') || !readNumber(p, end, 2, month)
        || !expect(p, end, '.') || !readNumber(p, end, 4, year, yearDigits))
        return false;
    if (yearDigits <= 2)
        year += year < 50 ? 2000 : 1900;

    int hour = 0, minute = 0, second = 0;
    if (p < end) {
        if (*p != ' ')
            return false;
        while (p < end && *p == ' ')
            ++p;
        if (!readNumber(p, end, 2, hour) || !expect(p, end, ':') || !readNumber(p, end, 2, minute))
            return false;
        if (p < end && (!expect(p, end, ':') || !readNumber(p, end, 2, second)))
            return false;
        if (p != end)
            return false;
    }
    return TryEncodeDateValue(year, month, day, hour, minute, second, 0, out);
}

QDate DateValueToQDate(double value)
{
    int y, m, d, h, mi, s, ms;
    if (!DecodeDateValue(value, y, m, d, h, mi, s, ms))
        return {};
    return QDate(y, m, d);
}

QDateTime DateValueToQDateTime(double value)
{
    int y, m, d, h, mi, s, ms;
    if (!DecodeDateValue(value, y, m, d, h, mi, s, ms))
        return {};
    return QDateTime(QDate(y, m, d), QTime(h, mi, s, ms));
}

bool DateValueFromQDate(const QDate& date, double& out)
{
    return date.isValid() && TryEncodeDateValue(date.year(), date.month(), date.day(), 0, 0, 0, 0, out);
}

bool DateValueFromQDateTime(const QDateTime& dateTime, double& out)
{
    if (!dateTime.isValid())
        return false;
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return TryEncodeDateValue(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                              time.second(), time.msec(), out);
}

} // namespace talvena
