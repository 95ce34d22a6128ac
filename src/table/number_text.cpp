#include "table/number_text.h"
#include "table/trimmed_spaces.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace talvena {

namespace {

// The general format's precision; patterns round from the same digits so that a display text
// never contradicts the edit text of the same value.
constexpr int kSignificantDigits = 15;

// A finite value as decimal digits: |value| = 0.d1 d2 d3 ... x 10^pointPos, with d1 != 0 and no
// trailing zeros; zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int pointPos = 0;
};

void stripTrailingZeros(Decimal& d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// The binary value correctly rounded to 15 significant digits (to_chars works on the exact
// binary expansion, so no error creeps in as with repeated multiplication by ten).
Decimal toDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buf[48];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                 std::chars_format::scientific, kSignificantDigits - 1);
    // Shape: "d.dddddddddddddde+xx".
    char* e = std::find(buf, r.ptr, 'e');
    d.digits.push_back(buf[0]);
    d.digits.append(buf + 2, e);
    const char* expText = e + 1;
    if (*expText == '+')
        ++expText;
    int exponent = 0;
    std::from_chars(expText, r.ptr, exponent);
    d.pointPos = exponent + 1;
    stripTrailingZeros(d);
    return d;
}

// Rounds to a number of decimals, half away from zero (the sign is kept apart, so rounding the
// magnitude up is away from zero).
void roundToDecimals(Decimal& d, int decimals)
{
    const int keep = d.pointPos + decimals;
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(0, 1, '1');
            ++d.pointPos;
        }
    }
    stripTrailingZeros(d);
}

// The significant integer digits; empty when the magnitude is below 1.
std::string integerDigits(const Decimal& d)
{
    if (d.pointPos <= 0 || d.digits.empty())
        return {};
    std::string s = d.digits.substr(0, std::min<size_t>(d.pointPos, d.digits.size()));
    s.append(d.pointPos - s.size(), '0');
    return s;
}

// The j-th digit after the point, j from 1.
char fractionDigit(const Decimal& d, int j)
{
    const int index = d.pointPos + j - 1;
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
}

QByteArray nonFiniteText(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

bool isDigitPosition(char c) { return c == '0' || c == '#'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

QByteArray FormatNumberPattern(const QByteArray& pattern, double value)
{
    if (pattern.isEmpty())
        return FormatFloatGeneral(value);
    if (!std::isfinite(value))
        return nonFiniteText(value);

    const qsizetype pointAt = pattern.indexOf('.');
    const qsizetype integerEnd = pointAt < 0 ? pattern.size() : pointAt;
    int integerPositions = 0;
    int decimalPositions = 0;
    int lastZeroPosition = 0; // the last "0" after the point, counted from 1
    for (qsizetype i = 0; i < integerEnd; ++i)
        integerPositions += isDigitPosition(pattern[i]);
    for (qsizetype i = integerEnd + 1; i < pattern.size(); ++i) {
        if (isDigitPosition(pattern[i])) {
            ++decimalPositions;
            if (pattern[i] == '0')
                lastZeroPosition = decimalPositions;
        }
    }

    Decimal d = toDecimal(value);
    roundToDecimals(d, decimalPositions);
    const std::string digits = integerDigits(d);
    const int digitCount = static_cast<int>(digits.size());
    int lastSignificantDecimal = 0;
    for (int j = 1; j <= decimalPositions; ++j)
        if (fractionDigit(d, j) != '0')
            lastSignificantDecimal = j;
    const int printedDecimals = std::max(lastZeroPosition, lastSignificantDecimal);

    QByteArray out;
    if (d.negative && !d.digits.empty())
        out += '-';

    int position = integerPositions; // integer positions from here to the point
    for (qsizetype i = 0; i < integerEnd; ++i) {
        const char c = pattern[i];
        if (!isDigitPosition(c)) {
            out += c;
            continue;
        }
        --position;
        if (position == integerPositions - 1 && digitCount > integerPositions)
            out.append(digits.data(), digitCount - integerPositions);
        if (position < digitCount)
            out += digits[digitCount - 1 - position];
        else if (c == '0')
            out += '0';
    }
    if (integerPositions == 0)
        out.append(digits.data(), digitCount);

    if (pointAt >= 0) {
        if (printedDecimals > 0)
            out += '.';
        int j = 0;
        for (qsizetype i = pointAt + 1; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (!isDigitPosition(c))
                out += c;
            else if (++j <= printedDecimals)
                out += fractionDigit(d, j);
        }
    }
    return out;
}

QByteArray FormatFloatGeneral(double value)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    const Decimal d = toDecimal(value);
    if (d.digits.empty())
        return "0";

    QByteArray out;
    if (d.negative)
        out += '-';
    const int exponent = d.pointPos - 1;
    if (exponent < -5 || exponent >= kSignificantDigits) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += '.';
            out.append(d.digits.data() + 1, d.digits.size() - 1);
        }
        out += 'E';
        out += FormatInteger(exponent);
    } else if (d.pointPos > 0) {
        out += integerDigits(d);
        if (static_cast<int>(d.digits.size()) > d.pointPos) {
            out += '.';
            out.append(d.digits.data() + d.pointPos, d.digits.size() - d.pointPos);
        }
    } else {
        out += "0.";
        out.append(-d.pointPos, '0');
        out.append(d.digits.data(), d.digits.size());
    }
    return out;
}

bool ParseFloatText(const QByteArray& text, double& out)
{
    const auto [begin, end] = TrimmedSpaces(text);

    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* number = p;

    // Syntax first: from_chars would also take "inf", "nan" and stop early on "1e".
    // magnitude: the decimal position of the first significant digit, to tell an overflow
    // from an underflow when the value does not fit.
    int mantissaDigits = 0;
    long long magnitude = 0;
    bool significantSeen = false;
    for (; p < end && isDigit(*p); ++p, ++mantissaDigits) {
        significantSeen = significantSeen || *p != '0';
        if (significantSeen)
            ++magnitude;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p, ++mantissaDigits) {
            if (!significantSeen && *p == '0')
                --magnitude;
            significantSeen = significantSeen || *p != '0';
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        const char* exponentDigits = p;
        long long exponent = 0;
        for (; p < end && isDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1000000LL);
        if (p == exponentDigits)
            return false;
        magnitude += negativeExponent ? -exponent : exponent;
    }
    if (p != end)
        return false;

    double value = 0;
    const auto r = std::from_chars(number, end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (magnitude > 0)
            return false;
        value = 0;
    } else if (r.ec != std::errc() || r.ptr != end) {
        return false;
    }
    out = negative ? -value : value;
    return true;
}

bool ParseIntegerText(const QByteArray& text, int64_t& out)
{
    auto [begin, end] = TrimmedSpaces(text);
    const char* digits = begin;
    if (digits < end && (*digits == '+' || *digits == '-'))
        ++digits;
    if (digits == end || !std::all_of(digits, end, isDigit))
        return false;
    if (*begin == '+')
        begin = digits; // from_chars takes "-" only
    int64_t value = 0;
    const auto r = std::from_chars(begin, end, value);
    if (r.ec != std::errc() || r.ptr != end)
        return false;
    out = value;
    return true;
}

QByteArray FormatInteger(int64_t value)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return QByteArray(buf, r.ptr - buf);
}

} // namespace talvena
