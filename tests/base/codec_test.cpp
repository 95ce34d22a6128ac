#include "base/cp1251.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace talvena;

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes;
}

// glibc's converter as an independent reader; empty when it refuses the input.
QByteArray iconvConvert(const char* from, const char* to, QByteArray input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return {};
    char out[16];
    char* in = input.data();
    size_t inLeft = size_t(input.size());
    char* o = out;
    size_t outLeft = sizeof out;
    const size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    return rc == size_t(-1) ? QByteArray() : QByteArray(out, o - out);
}

} // namespace

TEST(Cp1251Codec, EveryByteSurvivesEachRoundTrip)
{
    const QByteArray bytes = allBytes();
    bool lossless = false;
    EXPECT_EQ(unicodeToCp1251(cp1251ToUnicode(bytes), &lossless), bytes);
    EXPECT_TRUE(lossless);
    lossless = false;
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(bytes), &lossless), bytes);
    EXPECT_TRUE(lossless);
    const QString unicode = cp1251ToUnicode(bytes);
    EXPECT_EQ(utf16leToCp1251(reinterpret_cast<const char*>(unicode.utf16()), size_t(unicode.size())), bytes);
    EXPECT_EQ(cp1251ToUnicode(bytes).toUtf8(), cp1251ToUtf8(bytes));
    EXPECT_EQ(cp1251CodePoint(0x98), U'\u0098');
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(cp1251Byte(cp1251CodePoint(uchar(b))), b);
}

TEST(Cp1251Codec, TableAgreesWithGlibc)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue; // undefined in the code page; ours keeps it as U+0098
        const QByteArray byte(1, char(b));
        EXPECT_EQ(cp1251ToUtf8(byte), iconvConvert("CP1251", "UTF-8", byte)) << "byte " << b;
    }
}

TEST(Cp1251Codec, CyrillicTextBothWays)
{
    const QByteArray utf8 = "Ёжик №5 — «Привет» €";
    const QByteArray cp1251 = "\xA8\xE6\xE8\xEA \xB9" "5 \x97 \xAB\xCF\xF0\xE8\xE2\xE5\xF2\xBB \x88";
    EXPECT_EQ(utf8ToCp1251(utf8), cp1251);
    EXPECT_EQ(cp1251ToUtf8(cp1251), utf8);
    EXPECT_EQ(cp1251ToUnicode(cp1251), QString::fromUtf8(utf8));
    EXPECT_EQ(unicodeToCp1251(QString::fromUtf8(utf8)), cp1251);
    EXPECT_EQ(utf8ToCp1251("plain ascii"), "plain ascii");
}

TEST(Cp1251Codec, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    bool lossless = true;
    EXPECT_EQ(unicodeToCp1251(QString::fromUtf8("Я日本"), &lossless), "\xDF??");
    EXPECT_FALSE(lossless);
    // A surrogate pair is one character; a lone surrogate is one too.
    EXPECT_EQ(unicodeToCp1251(QString::fromUtf8("a\U0001F600b")), "a?b");
    EXPECT_EQ(unicodeToCp1251(QString(QChar(0xD800)) + u'x'), "?x");
    EXPECT_EQ(utf8ToCp1251("a\xF0\x9F\x98\x80" "b", &lossless), "a?b");
    EXPECT_FALSE(lossless);
    const char16_t utf16[] = {u'Ж', 0xD83D, 0xDE00, 0xDC00, u'z'};
    const QByteArray le(reinterpret_cast<const char*>(utf16), sizeof utf16); // the test host is little-endian
    EXPECT_EQ(utf16leToCp1251(le.constData(), 5, &lossless), "\xC6??z");
    EXPECT_FALSE(lossless);

    EXPECT_TRUE(cp1251CanHold(U'Ж'));
    EXPECT_TRUE(cp1251CanHold(QChar(u'№')));
    EXPECT_TRUE(cp1251CanHold(U'\u0098'));
    EXPECT_FALSE(cp1251CanHold(U'\u0099')); // a C1 control the code page has no byte for
    EXPECT_FALSE(cp1251CanHold(U'Ä'));
    EXPECT_FALSE(cp1251CanHold(U'\U0001F600'));
}

TEST(Cp1251Codec, InvalidUtf8IsOneQuestionMarkPerBrokenSequence)
{
    bool lossless = true;
    EXPECT_EQ(utf8ToCp1251("\xC0\x80x", &lossless), "??x"); // overlong NUL: two bad bytes
    EXPECT_FALSE(lossless);
    EXPECT_EQ(utf8ToCp1251("\xE2\x82x"), "?x");          // truncated three-byte sequence
    EXPECT_EQ(utf8ToCp1251("\xD0"), "?");                // cut at the end
    EXPECT_EQ(utf8ToCp1251("\x80\xD0\x96"), "?\xC6");    // stray continuation, then Ж
    EXPECT_EQ(utf8ToCp1251("\xED\xA0\x80"), "???");      // encoded surrogate
    EXPECT_EQ(utf8ToCp1251("\xF4\x90\x80\x80"), "????"); // beyond U+10FFFF
}
