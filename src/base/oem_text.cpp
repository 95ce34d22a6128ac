#include "base/oem_text.h"

#include <array>

namespace talvena {
namespace {

struct ByteMapping {
    unsigned char from; // CP1251
    unsigned char to;   // CP866
};

// Single bytes of the mixed block 0x80..0xBF; the letters А..я move as whole ranges below.
constexpr ByteMapping kSingles[] = {
    // Same character in CP866.
    {0xA8, 0xF0}, {0xB8, 0xF1}, // Ё ё
    {0xAA, 0xF2}, {0xBA, 0xF3}, // Є є
    {0xAF, 0xF4}, {0xBF, 0xF5}, // Ї ї
    {0xA1, 0xF6}, {0xA2, 0xF7}, // Ў ў
    {0xB0, 0xF8},               // °
    {0xB7, 0xFA},               // ·
    {0x95, 0xF9},               // • as the bullet operator ∙
    {0xB9, 0xFC},               // №
    {0xA4, 0xFD},               // ¤
    {0xA0, 0xFF},               // no-break space
    // Look-alikes: a readable sign beats a question mark in a description file.
    {0x82, ','}, {0x84, '"'}, {0x91, '\''}, {0x92, '\''}, {0x93, '"'}, {0x94, '"'},
    {0xAB, '"'}, {0xBB, '"'}, {0x8B, '<'}, {0x9B, '>'},
    {0x96, '-'}, {0x97, '-'}, {0xAD, '-'},
    {0xB2, 'I'}, {0xB3, 'i'}, {0xA3, 'J'}, {0xBC, 'j'}, {0xBD, 'S'}, {0xBE, 's'},
    {0xA5, 0x83}, {0xB4, 0xA3}, // Ґ ґ as Г г
};

constexpr std::array<unsigned char, 256> makeOemTable()
{
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b] = static_cast<unsigned char>(b);
    for (int b = 0x80; b < 0xC0; ++b)
        t[b] = '?';
    for (int b = 0xC0; b < 0xF0; ++b) // А..Я а..п: contiguous in CP866 too
        t[b] = static_cast<unsigned char>(b - 0x40);
    for (int b = 0xF0; b < 0x100; ++b) // р..я sit after the pseudo-graphics
        t[b] = static_cast<unsigned char>(b - 0x10);
    for (const ByteMapping& m : kSingles)
        t[m.from] = m.to;
    return t;
}
constexpr std::array<unsigned char, 256> kOemTable = makeOemTable();

} // namespace

QByteArray ToOemText(const QByteArray& cp1251)
{
    QByteArray out(cp1251.size(), Qt::Uninitialized);
    char* d = out.data();
    for (char c : cp1251)
        *d++ = static_cast<char>(kOemTable[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace talvena
