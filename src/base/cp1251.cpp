#include "base/cp1251.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace talvena {
namespace {

// 0x80..0xBF, the mixed block; 0x00..0x7F is ASCII and 0xC0..0xFF is А..я in Unicode order.
constexpr char16_t kMixedBlock[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98: 0x98 is undefined, kept as U+0098
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

constexpr std::array<char16_t, 256> makeToUnicode()
{
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b] = char16_t(b);
    for (int b = 0x80; b < 0xC0; ++b)
        t[b] = kMixedBlock[b - 0x80];
    for (int b = 0xC0; b < 0x100; ++b)
        t[b] = char16_t(0x0410 + (b - 0xC0));
    return t;
}
constexpr std::array<char16_t, 256> kToUnicode = makeToUnicode();

// Every code point of the code page lies in the BMP, so a flat 64 KiB table answers any UTF-16
// unit with one load. 0 means "not in the code page" (U+0000 itself is handled as ASCII).
constexpr std::array<uint8_t, 0x10000> makeFromUnicode()
{
    std::array<uint8_t, 0x10000> t{};
    for (int b = 1; b < 256; ++b)
        t[kToUnicode[b]] = uint8_t(b);
    return t;
}
constexpr std::array<uint8_t, 0x10000> kFromUnicode = makeFromUnicode();

bool isAscii(const char* p, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) & 0x80)
            return false;
    return true;
}

inline char toByte(char32_t cp, bool& lossless)
{
    if (cp < 0x80)
        return char(cp);
    if (cp < 0x10000 && kFromUnicode[cp] != 0)
        return char(kFromUnicode[cp]);
    lossless = false;
    return '?';
}

void report(bool* lossless, bool value)
{
    if (lossless)
        *lossless = value;
}

// Shared by the QString and the raw UTF-16LE paths; `unit(i)` yields the i-th code unit.
template <typename UnitAt>
QByteArray utf16ToCp1251(size_t units, UnitAt unit, bool* lossless)
{
    QByteArray out(qsizetype(units), Qt::Uninitialized);
    char* d = out.data();
    bool ok = true;
    for (size_t i = 0; i < units; ++i) {
        const char16_t c = unit(i);
        *d++ = toByte(c, ok);
        if (QChar::isHighSurrogate(c) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1)))
            ++i; // the pair is one character, hence one '?'
    }
    out.truncate(d - out.constData());
    report(lossless, ok);
    return out;
}

// The well-formed UTF-8 sequences longer than one byte, by their lead byte: the length, the bits
// of the lead byte that belong to the code point, and the range the second byte may take. The
// narrowed ranges shut out overlong forms, surrogates and code points beyond U+10FFFF.
struct Utf8Lead {
    unsigned char first, last;
    size_t length;
    unsigned char bits, low, high;
};
constexpr Utf8Lead kUtf8Leads[] = {
    {0xC2, 0xDF, 2, 0x1F, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0x0F, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x0F, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x0F, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x0F, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x07, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x07, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x07, 0x80, 0x8F},
};

const Utf8Lead* utf8LeadOf(unsigned char lead)
{
    for (const Utf8Lead& form : kUtf8Leads)
        if (lead >= form.first && lead <= form.last) return &form;
    return nullptr;
}

} // namespace

char32_t cp1251CodePoint(unsigned char byte)
{
    return kToUnicode[byte];
}

int cp1251Byte(char32_t codePoint)
{
    if (codePoint == 0)
        return 0;
    if (codePoint >= 0x10000 || kFromUnicode[codePoint] == 0)
        return -1;
    return kFromUnicode[codePoint];
}

bool cp1251CanHold(char32_t codePoint)
{
    return cp1251Byte(codePoint) >= 0;
}

QString cp1251ToUnicode(const QByteArray& text)
{
    if (isAscii(text.constData(), size_t(text.size())))
        return QString::fromLatin1(text);
    QString out(text.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (char c : text)
        *d++ = QChar(kToUnicode[static_cast<unsigned char>(c)]);
    return out;
}

QByteArray unicodeToCp1251(const QString& text, bool* lossless)
{
    const QChar* s = text.constData();
    return utf16ToCp1251(size_t(text.size()), [s](size_t i) { return s[i].unicode(); }, lossless);
}

QByteArray utf16leToCp1251(const char* data, size_t units, bool* lossless)
{
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    return utf16ToCp1251(
        units, [s](size_t i) { return char16_t(s[2 * i] | (s[2 * i + 1] << 8)); }, lossless);
}

QByteArray cp1251ToUtf8(const QByteArray& text)
{
    if (isAscii(text.constData(), size_t(text.size())))
        return text;
    QByteArray out(text.size() * 3, Qt::Uninitialized);
    char* d = out.data();
    for (char c : text) {
        const char16_t cp = kToUnicode[static_cast<unsigned char>(c)];
        if (cp < 0x80) {
            *d++ = char(cp);
        } else if (cp < 0x800) {
            *d++ = char(0xC0 | (cp >> 6));
            *d++ = char(0x80 | (cp & 0x3F));
        } else {
            *d++ = char(0xE0 | (cp >> 12));
            *d++ = char(0x80 | ((cp >> 6) & 0x3F));
            *d++ = char(0x80 | (cp & 0x3F));
        }
    }
    out.truncate(d - out.constData());
    return out;
}

QByteArray utf8ToCp1251(const QByteArray& utf8, bool* lossless)
{
    const size_t n = size_t(utf8.size());
    if (isAscii(utf8.constData(), n)) {
        report(lossless, true);
        return utf8;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.constData());
    QByteArray out(qsizetype(n), Qt::Uninitialized); // one byte per character is never longer
    char* d = out.data();
    bool ok = true;
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            *d++ = char(lead);
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            // Two-byte form first: all of Cyrillic is written so.
            *d++ = toByte(char32_t((lead & 0x1F) << 6 | (s[i + 1] & 0x3F)), ok);
            i += 2;
            continue;
        }
        const Utf8Lead* form = utf8LeadOf(lead);
        if (!form) {
            *d++ = '?';
            ok = false;
            ++i;
            continue;
        }
        char32_t cp = lead & form->bits;
        size_t k = 1;
        for (; k < form->length && i + k < n; ++k) {
            const unsigned char next = s[i + k];
            if (next < (k == 1 ? form->low : 0x80) || next > (k == 1 ? form->high : 0xBF))
                break;
            cp = (cp << 6) | (next & 0x3F);
        }
        i += k; // a broken sequence is dropped up to the byte that broke it, as one character
        if (k < form->length) {
            *d++ = '?';
            ok = false;
        } else {
            *d++ = toByte(cp, ok);
        }
    }
    out.truncate(d - out.constData());
    report(lossless, ok);
    return out;
}

} // namespace talvena
