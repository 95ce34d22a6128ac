#include "base/cp1251.h"
#include "base/text_case.h"

#include <gtest/gtest.h>

using namespace talvena;

TEST(TextCase, LowerCasesLatinAndCyrillicCapitalsOnly)
{
    EXPECT_EQ(LowerCaseByTable(utf8ToCp1251("ТИТУЛЬНЫЙ Лист")), utf8ToCp1251("титульный лист"));
    EXPECT_EQ(LowerCaseByTable(utf8ToCp1251("ЁЖ-2, Ўзбек; ABZ_az 09 №«»")), utf8ToCp1251("ёж-2, ўзбек; abz_az 09 №«»"));

    const std::array<unsigned char, 256>& table = lowerCaseTable();
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        if (table[b] == b)
            continue;
        ++changed;
        // Every change is capital → small letter of the same alphabet.
        const QString before = cp1251ToUnicode(QByteArray(1, char(b)));
        EXPECT_TRUE(before[0].isUpper()) << "byte " << b;
        EXPECT_EQ(cp1251ToUnicode(QByteArray(1, char(table[b]))), before.toLower());
    }
    EXPECT_EQ(changed, 26 + 32 + 15); // Latin, Russian А..Я, and Ё Ђ Ѓ Є Ѕ І Ї Ј Љ Њ Ћ Ќ Ў Џ Ґ

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(LowerCaseByTable(all).size(), 256);
}
