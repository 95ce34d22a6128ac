#include "table/collation.h"

#include "base/text_case.h"

#include <array>
#include <cstdint>

namespace talvena {

namespace {

// Byte weights: the byte value doubled, with Ё and ё placed right after Е and е.
// The ranks number the weights densely, so a key keeps one byte per character.
struct Weights {
    std::array<uint16_t, 256> exact{};
    std::array<uint16_t, 256> folded{};
    std::array<unsigned char, 256> rank{};
    std::array<unsigned char, 256> foldedRank{};
    Weights()
    {
        for (int b = 0; b < 256; ++b) exact[b] = static_cast<uint16_t>(b * 2);
        exact[0xA8] = 0xC5 * 2 + 1;
        exact[0xB8] = 0xE5 * 2 + 1;
        const auto& lower = lowerCaseTable();
        for (int b = 0; b < 256; ++b) folded[b] = exact[lower[b]];
        for (int b = 0; b < 256; ++b) {
            int below = 0;
            for (int o = 0; o < 256; ++o) below += exact[o] < exact[b];
            rank[b] = static_cast<unsigned char>(below);
        }
        for (int b = 0; b < 256; ++b) foldedRank[b] = rank[lower[b]];
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

QByteArray collationKey(const QByteArray& text, bool ignoreCase)
{
    const auto& r = ignoreCase ? weights().foldedRank : weights().rank;
    QByteArray key(text.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const unsigned char*>(text.constData());
    auto* out = reinterpret_cast<unsigned char*>(key.data());
    for (qsizetype i = 0; i < text.size(); ++i) out[i] = r[in[i]];
    return key;
}

} // namespace talvena
