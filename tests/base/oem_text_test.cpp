#include "base/cp1251.h"
#include "base/oem_text.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace talvena;

namespace {

// glibc's CP1251 → CP866 conversion of one byte; -1 when it has none.
int glibcOemByte(unsigned char byte)
{
    iconv_t cd = iconv_open("CP866", "CP1251");
    char in[1] = {char(byte)};
    char out[4];
    char* i = in;
    char* o = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &i, &inLeft, &o, &outLeft);
    iconv_close(cd);
    return rc == size_t(-1) || o - out != 1 ? -1 : uchar(out[0]);
}

} // namespace

TEST(OemText, AgreesWithGlibcWhereCp866HasTheCharacter)
{
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const int expected = glibcOemByte(uchar(b));
        if (expected < 0)
            continue;
        ++mapped;
        EXPECT_EQ(uchar(ToOemText(QByteArray(1, char(b)))[0]), expected) << "byte " << b;
    }
    EXPECT_GE(mapped, 128 + 64 + 12); // ASCII, the alphabet and the signs of the last CP866 row
}

TEST(OemText, LongTextConvertsWhole)
{
    QByteArray text;
    while (text.size() < 5000)
        text += utf8ToCp1251("Паспорт объекта №7, Ёлкинское ™ ");
    const QByteArray oem = ToOemText(text);
    ASSERT_EQ(oem.size(), text.size());
    // "П" "а" "р" land in the three CP866 letter blocks; № and Ё in the last row; ™ has no place.
    const QByteArray expectedStart = "\x8F\xA0\xE1\xAF\xAE\xE0\xE2 \xAE\xA1\xEA\xA5\xAA\xE2\xA0 \xFC" "7, \xF0\xAB\xAA";
    EXPECT_TRUE(oem.startsWith(expectedStart));
    EXPECT_TRUE(oem.endsWith("\xE1\xAA\xAE\xA5 ? "));
    EXPECT_EQ(oem.mid(4000), ToOemText(text.mid(4000))); // no limit cuts in anywhere
}
