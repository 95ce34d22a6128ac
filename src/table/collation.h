#pragma once
// Comparison of CP1251 texts for sorting: alphabetical for Cyrillic (Ё beside Е), optionally
// ignoring letter case.
#include <QByteArray>

namespace talvena {

int compareText(const QByteArray& a, const QByteArray& b, bool ignoreCase);

// A key whose plain byte order (memcmp) is the order of compareText: cheap to sort on.
QByteArray collationKey(const QByteArray& text, bool ignoreCase);

} // namespace talvena
