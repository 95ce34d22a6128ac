#pragma once
// Text form of numbers: number patterns, the general float format, and the parsers of typed
// numbers. A point is always the decimal separator; no C or Qt locale is involved.
#include <QByteArray>
#include <cstdint>

namespace talvena {

// Formats a value by a number pattern of "0", "#", "." and literal characters.
// - The value is first taken to 15 significant digits (what the general format shows), then
//   rounded to the pattern's decimal positions half away from zero, so 2.675 with "0.00" gives
//   "2.68", as the user who typed 2.675 expects.
// - Integer digits are laid right-aligned on the integer positions; digits beyond them all go
//   to the first position. "0" always prints a digit, "#" only a significant one.
// - The point (only the first "." counts; later ones are literals) is printed only together
//   with a printed decimal; after it "#" drops trailing zeros and "0" keeps them.
// - Literal characters are always printed where they stand.
// - A negative value starts the text with "-", in front of any leading literal; a value that
//   rounds to zero never gets a minus sign.
// - A pattern without integer positions prints the integer digits in front of the point (or
//   at its end when it has no point either); an empty pattern gives the general format.
// - NaN and infinities give "NAN", "INF" and "-INF".
QByteArray FormatNumberPattern(const QByteArray& pattern, double value);

// The general format: at most 15 significant digits, no trailing zeros; "0" for zero (also
// -0); exponent form ("1E-6", "1.5E20") below 0.00001 or beyond 15 integer digits, judged
// after the rounding to 15 digits. NaN and infinities as FormatNumberPattern.
QByteArray FormatFloatGeneral(double value);

// Reads a float: optional blanks (spaces), optional sign, digits with an optional point
// (".5" and "5." are accepted), optional exponent "E"/"e" with optional sign and at least one
// digit, optional blanks. Anything else, and a value too large for a double, is rejected
// (false, out untouched); a value too small for a double becomes a zero of its sign.
bool ParseFloatText(const QByteArray& text, double& out);

// Reads a decimal integer: optional spaces, optional sign, digits, optional spaces; rejects
// anything else and values outside the 64-bit range (false, out untouched).
bool ParseIntegerText(const QByteArray& text, int64_t& out);

QByteArray FormatInteger(int64_t value);

} // namespace talvena
