#pragma once
// Case-insensitive comparison of CP1251 texts goes through one byte table.
#include <QByteArray>
#include <array>

namespace talvena {

// Entry b is the lower-case form of byte b (Latin and Cyrillic capitals, Ё included, become
// small letters; every other byte maps to itself). Filled on first use, never changed.
const std::array<unsigned char, 256>& lowerCaseTable();

// Every byte replaced by its table entry; the length stays.
QByteArray LowerCaseByTable(const QByteArray& text);

} // namespace talvena
