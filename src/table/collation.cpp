#include "table/collation.h"

#include "base/text_case.h"

#include <array>
#include <cstdint>

namespace talvena {

namespace {

// Byte weights: the byte value doubled, with Ё and ё placed right after Е and е.
struct Weights {
    std::array<uint16_t, 256> exact{};
    std::array<uint16_t, 256> folded{};
    Weights()
    {
        for (int b = 0; b < 256; ++b) exact[b] = static_cast<uint16_t>(b * 2);
        exact[0xA8] = 0xC5 * 2 + 1;
        exact[0xB8] = 0xE5 * 2 + 1;
        const auto& lower = lowerCaseTable();
        for (int b = 0; b < 256; ++b) folded[b] = exact[lower[b]];
    }
};

const Weights& weights()
{
    static const Weights w;
    return w;
}

} // namespace

int compareText(const QByteArray& a, const QByteArray& b, bool ignoreCase)
{
    const auto& w = ignoreCase ? weights().folded : weights().exact;
    const auto* pa = reinterpret_cast<const unsigned char*>(a.constData());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (w[pa[i]] != w[pb[i]]) return w[pa[i]] < w[pb[i]] ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace talvena
