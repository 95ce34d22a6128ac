#include "export/sheet_document.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

using namespace talvena;
using testsupport::errorOf;
using Kind = SheetCell::Kind;

TEST(FormulaInput, ApostropheMakesTheRestLiteralText)
{
    for (const char* literal : {"'123", "'=A1+1", "'-5", "''quoted", "'", "'Таблица 1. \"География\""}) {
        const FormulaInput in = InterpretFormulaText(QString::fromUtf8(literal));
        EXPECT_EQ(in.kind, Kind::Text) << literal;
        EXPECT_EQ(in.text, QString::fromUtf8(literal).mid(1)) << literal;
    }
}

TEST(FormulaInput, PlainNumbersBecomeNumbers)
{
    const std::pair<const char*, double> numbers[] = {
        {"12", 12}, {"-0.5", -0.5}, {"+7", 7}, {".5", 0.5}, {"5.", 5}, {"1E3", 1000}, {"2.5e-2", 0.025}, {"-0", 0},
    };
    for (const auto& [text, value] : numbers) {
        const FormulaInput in = InterpretFormulaText(text);
        EXPECT_EQ(in.kind, Kind::Number) << text;
        EXPECT_DOUBLE_EQ(in.number, value) << text;
    }
}

TEST(FormulaInput, EverythingElseStaysTextAndNothingIsComputed)
{
    // Separators of other locales, blanks, formulas, special values and overflow are texts as typed.
    for (const char* text : {"=1+1", "=SUM(A1:A3)", "1,5", " 12", "12 ", "1 000", "e5", "1e", "1e+", "-", ".", "+",
                             "0x10", "inf", "NaN", "1e400", "12%", "01.01.2024", "Кровля: "}) {
        const FormulaInput in = InterpretFormulaText(QString::fromUtf8(text));
        EXPECT_EQ(in.kind, Kind::Text) << text;
        EXPECT_EQ(in.text, QString::fromUtf8(text)) << text;
    }
    EXPECT_EQ(InterpretFormulaText("").kind, Kind::Empty);
}

TEST(SheetDocument, CellsBoldAndWidths)
{
    SheetDocument d;
    EXPECT_EQ(d.rowCount(), 0);
    EXPECT_EQ(d.columnCount(), 0);
    d.setFormula(3, 2, "'x");
    d.setBold(1, 4); // bold without a value
    d.setFormula(2, 1, "42");
    EXPECT_EQ(d.rowCount(), 3);
    EXPECT_EQ(d.columnCount(), 4);
    EXPECT_EQ(d.cell(3, 2)->text, "x");
    EXPECT_EQ(d.cell(1, 4)->kind, Kind::Empty);
    EXPECT_TRUE(d.cell(1, 4)->bold);
    EXPECT_EQ(d.cell(2, 1)->kind, Kind::Number);
    EXPECT_EQ(d.cell(9, 9), nullptr);
    EXPECT_TRUE(d.row(7).empty());

    // Writing again replaces the value and keeps the format; the empty text clears the value only.
    d.setBold(3, 2);
    d.setFormula(3, 2, "");
    EXPECT_EQ(d.cell(3, 2)->kind, Kind::Empty);
    EXPECT_TRUE(d.cell(3, 2)->bold);

    d.setColumnWidth(2, 5000);
    d.setColumnWidth(5, -3);
    ASSERT_EQ(d.columnWidths().size(), 6u);
    EXPECT_FALSE(d.columnWidths()[1]);
    EXPECT_EQ(*d.columnWidths()[2], 5000);
    EXPECT_EQ(*d.columnWidths()[5], 0);
}

TEST(SheetDocument, PositionsOutsideAnExcel97SheetAreRefused)
{
    SheetDocument d;
    d.setFormula(65536, 256, "'last");
    EXPECT_EQ(d.cell(65536, 256)->text, "last");
    const std::string message = "Ячейка (строка 65537, столбец 1) вне листа Excel 97: лист вмещает 65536 строк и 256 столбцов.";
    EXPECT_EQ(errorOf([&] { d.setFormula(65537, 1, "'x"); }), message);
    EXPECT_NE(errorOf([&] { d.setBold(1, 257); }), "no error");
    EXPECT_NE(errorOf([&] { d.setFormula(0, 1, "'x"); }), "no error");
    EXPECT_NE(errorOf([&] { d.setColumnWidth(0, 100); }), "no error");
    EXPECT_NE(errorOf([&] { d.setColumnWidth(257, 100); }), "no error");
}

TEST(SheetDocument, TextsAreCutAtTheLengthACellHoldsWithoutHalvingACharacter)
{
    SheetDocument d;
    d.setFormula(1, 1, "'" + QString(40000, u'ж'));
    EXPECT_EQ(d.cell(1, 1)->text.size(), SheetDocument::kMaxTextLength);

    // A surrogate pair across the limit is dropped whole.
    QString pair = QString(SheetDocument::kMaxTextLength - 1, u'a') + QString::fromUtf8("😀") + "b";
    d.setFormula(1, 2, "'" + pair);
    EXPECT_EQ(d.cell(1, 2)->text, QString(SheetDocument::kMaxTextLength - 1, u'a'));
}
