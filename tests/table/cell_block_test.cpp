// Clipboard blocks: both written forms read back into the same cells for random blocks, and the
// forms spreadsheets really put on the clipboard are read as they show them.
#include "table/cell_block.h"

#include <QMimeData>
#include <gtest/gtest.h>

#include <random>

namespace talvena {
namespace {

std::vector<QStringList> rowsOf(const CellBlock& b) { return b.rows; }

// A random block whose cells hold what breaks naive readers: separators, quotes, line breaks,
// markup characters, Cyrillic, numbers with a comma. Cells have no leading, trailing or doubled
// white space (an HTML table does not keep it).
CellBlock randomBlock(std::mt19937& rng)
{
    static const QStringList pieces{
        QStringLiteral("0,25"), QStringLiteral("-12.5"), QStringLiteral("Ю1"), QStringLiteral("a\tb"),
        QStringLiteral("\"q\""), QStringLiteral("x\ny"), QStringLiteral("<td>&amp;"), QStringLiteral("55°30'15\""),
        QStringLiteral("r\r\ns"), QStringLiteral("нефть газ"), QStringLiteral("1 234"), QString(),
    };
    CellBlock b;
    const int height = 1 + int(rng() % 6), width = 1 + int(rng() % 5);
    for (int r = 0; r < height; ++r) {
        QStringList row;
        for (int c = 0; c < width; ++c) {
            QString cell;
            const int parts = int(rng() % 3);
            for (int p = 0; p < parts; ++p) cell += pieces[qsizetype(rng() % pieces.size())];
            row.append(cell);
        }
        b.rows.push_back(row);
    }
    for (int c = 0; c < width; ++c) b.numericColumns.push_back(rng() % 2 == 0); // cells with a value attribute
    return b;
}

TEST(CellBlock, BothWrittenFormsReadBackIntoTheSameCells)
{
    std::mt19937 rng(25);
    for (int trial = 0; trial < 400; ++trial) {
        const CellBlock b = randomBlock(rng);
        EXPECT_EQ(rowsOf(ReadTabText(WriteTabText(b))), b.rows) << WriteTabText(b).toStdString();
        // HTML line breaks are <br>; a CR LF inside a cell comes back as LF and a tab as a space,
        // as a browser shows them.
        CellBlock expected = b;
        for (QStringList& r : expected.rows)
            for (QString& c : r) c.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\t', u' ');
        EXPECT_EQ(rowsOf(ReadHtmlTable(WriteHtmlTable(b))), expected.rows) << WriteHtmlTable(b).toStdString();
    }
}

TEST(CellBlock, ReadsWhatSpreadsheetsPutOnTheClipboard)
{
    // Tab text: CR LF lines, a final line break, an empty cell, Excel's quoting of a cell with a
    // line break, and a lone quote that is only text.
    const CellBlock tab = ReadTabText(QStringLiteral("37,5\t55,25\r\n\t\"two\nlines\"\r\n5\" pipe\tend\r\n"));
    EXPECT_EQ(rowsOf(tab), (std::vector<QStringList>{{"37,5", "55,25"}, {"", "two\nlines"}, {"5\" pipe", "end"}}));
    EXPECT_EQ(tab.width(), 2);
    EXPECT_EQ(ReadTabText(QStringLiteral("a\tb\n")).height(), 1);
    EXPECT_EQ(rowsOf(ReadTabText(QStringLiteral("a\t"))), (std::vector<QStringList>{{"a", ""}}));

    // LibreOffice Calc's HTML: a style sheet, attributes with '>' inside quotes, entities, fonts,
    // a colspan, white space between tags, a comment.
    const QString calc = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\"><html><head>"
        "<style type=\"text/css\"> td { border: 1px } </style></head><body>\n"
        "<!-- <table><tr><td>not this</td></tr></table> -->\n"
        "<table cellspacing=\"0\" border=\"0\">\n <colgroup width=\"85\"></colgroup>\n"
        " <tr>\n  <td height=\"17\" align=\"right\" sdval=\"0.3\" sdnum=\"1049;0;0,00\" title=\"a>b\">"
        "<font face=\"Liberation Sans\">0,30</font></td>\n"
        "  <td align=\"left\">Ю1 &amp; Ю2&nbsp;верх</td>\n </tr>\n"
        " <tr><td colspan=\"2\">&#1053;&#x0435;т</td><td>  a <br> b  </td></tr>\n"
        "</table>\n<table><tr><td>second table</td></tr></table></body></html>");
    EXPECT_EQ(rowsOf(ReadHtmlTable(calc)),
              (std::vector<QStringList>{{"0,30", "Ю1 & Ю2 верх"}, {"Нет", "", "a\nb"}}));
    // Excel's cells are not always closed, and a page without a table gives nothing.
    EXPECT_EQ(rowsOf(ReadHtmlTable(QStringLiteral("<table><tr><td>1<td>2<tr><td>3</table>"))),
              (std::vector<QStringList>{{"1", "2"}, {"3"}}));
    EXPECT_TRUE(ReadHtmlTable(QStringLiteral("<p>just text</p>")).empty());

    // The clipboard: the plain text when it is offered, the HTML table when it is not.
    QMimeData htmlOnly;
    htmlOnly.setHtml(calc);
    EXPECT_EQ(rowsOf(ReadClipboardBlock(htmlOnly)), rowsOf(ReadHtmlTable(calc)));
    QMimeData both;
    WriteClipboardBlock(tab, both);
    both.setHtml(calc);
    EXPECT_EQ(rowsOf(ReadClipboardBlock(both)), tab.rows);
    EXPECT_TRUE(ReadClipboardBlock(QMimeData()).empty());
}

} // namespace
} // namespace talvena
