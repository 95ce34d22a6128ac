#pragma once
// Date values and their text. A date value is a double: whole days since 30 December 1899 plus
// the time of day as a fraction of a day (12:00 on 15 March 2008 is 39522.5). Before that day
// the integer part is still the day and the fraction's absolute value the time, so 29.12.1899
// 06:00 is -1.25. Texts are "dd.mm.yyyy" and "hh:nn:ss", 24-hour, no locale.
#include <QByteArray>
#include <QDate>
#include <QDateTime>

namespace talvena {

// The representable days: 01.01.0001 up to 31.12.9999.
constexpr double kMinDateValue = -693593.0;
constexpr double kMaxDateValue = 2958466.0; // exclusive: 01.01.10000

bool IsValidDate(int year, int month, int day);

// False (out untouched) for a date outside 01.01.0001 to 31.12.9999 or a time outside
// 00:00:00.000 to 23:59:59.999.
bool TryEncodeDateValue(int year, int month, int day, int hour, int minute, int second, int msec,
                        double& out);
// As TryEncodeDateValue; an invalid date or time raises "Invalid date or time".
double EncodeDateValue(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int msec = 0);

// Splits a date value, rounding the time to the nearest millisecond (23:59:59.9996 becomes
// 00:00 of the next day). NaN, infinities and values outside the representable days give false
// and all parts 0.
bool DecodeDateValue(double value, int& year, int& month, int& day, int& hour, int& minute,
                     int& second, int& msec);

// "dd.mm.yyyy hh:nn:ss"; a value whose time rounds to exactly midnight is shown as the date
// alone, the usual default text of a date-time. An undecodable value gives the empty text.
QByteArray FormatDateTimeText(double value);
// "dd.mm.yyyy"; the empty text for an undecodable value.
QByteArray FormatDateText(double value);

// Reads "d.m.y", optionally followed by spaces and "h:n" or "h:n:s"; surrounding spaces are
// allowed. Day, month, hours, minutes and seconds have one or two digits, the year one to four;
// a year of one or two digits is 2000-2049 for 0-49 and 1950-1999 for 50-99 (a fixed window,
// so a text means the same date whenever it is read). Invalid dates and times are rejected
// (false, out untouched).
bool ParseDateTimeText(const QByteArray& text, double& out);

// Bridges to Qt's types for the controls. The QDateTime's time zone is ignored: a date value
// has none. Invalid or out-of-range input gives an invalid QDate/QDateTime, or false.
QDate DateValueToQDate(double value);
QDateTime DateValueToQDateTime(double value);
bool DateValueFromQDate(const QDate& date, double& out);
bool DateValueFromQDateTime(const QDateTime& dateTime, double& out);

} // namespace talvena
