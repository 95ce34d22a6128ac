#include "base/text_case.h"

#include "base/cp1251.h"

#include <QChar>

namespace talvena {

const std::array<unsigned char, 256>& lowerCaseTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            // A lower-case form outside the code page would change the text's meaning: keep the byte.
            const int lower = cp1251Byte(QChar::toLower(cp1251CodePoint(static_cast<unsigned char>(b))));
            t[b] = static_cast<unsigned char>(lower >= 0 ? lower : b);
        }
        return t;
    }();
    return table;
}

QByteArray LowerCaseByTable(const QByteArray& text)
{
    const std::array<unsigned char, 256>& table = lowerCaseTable();
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    for (char c : text)
        *d++ = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace talvena
