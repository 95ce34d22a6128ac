#pragma once
// Windows-1251, the code page of every text the engine holds. The table is total and reversible:
// the one byte Windows leaves undefined (0x98) maps to U+0098 and back, so any byte string, a Blob
// read as text included, survives a trip through Unicode unchanged.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstddef>

namespace talvena {

// Code point of one CP1251 byte.
char32_t cp1251CodePoint(unsigned char byte);
// CP1251 byte of a code point, or -1 when the code page has none.
int cp1251Byte(char32_t codePoint);
bool cp1251CanHold(char32_t codePoint);
inline bool cp1251CanHold(QChar c) { return cp1251CanHold(char32_t(c.unicode())); }

// The conversions to CP1251 write '?' for every character the code page cannot hold (a surrogate
// pair and an invalid UTF-8 sequence count as one character) and, when `lossless` is given, store
// in it whether the whole text converted exactly.
QString cp1251ToUnicode(const QByteArray& text);
QByteArray unicodeToCp1251(const QString& text, bool* lossless = nullptr);
QByteArray cp1251ToUtf8(const QByteArray& text);
QByteArray utf8ToCp1251(const QByteArray& utf8, bool* lossless = nullptr);
// `units` counts 16-bit code units, so `data` holds 2 * units bytes.
QByteArray utf16leToCp1251(const char* data, size_t units, bool* lossless = nullptr);

} // namespace talvena
