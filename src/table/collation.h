#pragma once
// Comparison of CP1251 texts for sorting: alphabetical for Cyrillic (Ё beside Е), optionally
// ignoring letter case.
#include <QByteArray>

namespace talvena {

int compareText(const QByteArray& a, const QByteArray& b, bool ignoreCase);

} // namespace talvena
