#include "export/xls_workbook.h"
#include "export/written_file.h"
#include "independent_readers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

using namespace talvena;
using namespace talvena::test;

namespace {

QString writeXls(const QTemporaryDir& dir, const QString& name, const SheetDocument& d)
{
    const QString path = dir.filePath(name);
    WriteWholeFile(path, BuildXlsFile(d));
    return path;
}

struct Record {
    uint16_t type;
    QByteArray payload;
};

std::vector<Record> records(const QByteArray& stream)
{
    std::vector<Record> out;
    qsizetype at = 0;
    while (at + 4 <= stream.size()) {
        const uint16_t type = uint8_t(stream[at]) | uint8_t(stream[at + 1]) << 8;
        const uint16_t length = uint8_t(stream[at + 2]) | uint8_t(stream[at + 3]) << 8;
        if (type == 0 && length == 0) break; // the padding
        out.push_back({type, stream.mid(at + 4, length)});
        at += 4 + length;
    }
    return out;
}

// Cells of a parameter table as the export writes them.
SheetDocument parameterTable()
{
    SheetDocument d;
    d.setColumnWidth(1, 10000);
    d.setColumnWidth(2, 5000);
    d.setFormula(1, 1, "'Таблица 1. \"География\"");
    d.setBold(1, 1);
    d.setFormula(2, 1, "'Наименование позиции");
    d.setBold(2, 1);
    d.setFormula(2, 2, "'Параметр");
    d.setBold(2, 2);
    d.setFormula(3, 1, "'Наименование объекта");
    d.setBold(3, 1);
    d.setFormula(3, 2, "'Объект №7 «Северный» — ёж");
    d.setFormula(4, 1, "'Кровля: J1   Подошва: K2"); // runs of blanks
    d.setFormula(4, 2, "'0123");                      // stays text, leading zero kept
    d.setFormula(5, 1, "'=1+1");
    d.setFormula(5, 2, "=A1");                        // literal too, never computed
    d.setFormula(6, 1, "12.5");                       // a number without the apostrophe
    d.setFormula(6, 2, "'café ñ");                    // Latin-1 characters in one byte each
    d.setFormula(7, 1, "'");                          // the empty text
    d.setBold(7, 3);                                  // bold without value
    d.setFormula(8, 2, "'tab\there\r\nnext line \u0098");
    d.setFormula(9, 1, "'😀 emoji");
    return d;
}

} // namespace

TEST(XlsWorkbook, ParameterTableReadsBackWithXlrd)
{
    QTemporaryDir dir;
    const ReadSheet s = ReadWithXlrd(writeXls(dir, "Таблица 1 География.xls", parameterTable()));
    EXPECT_EQ(s.warnings, "");
    EXPECT_EQ(s.sheetCount, 1);
    EXPECT_EQ(s.name, "Лист1");
    EXPECT_EQ(s.rows, 9);
    EXPECT_EQ(s.columns, 3);

    EXPECT_EQ(s.textAt(1, 1), "Таблица 1. \"География\"");
    EXPECT_EQ(s.textAt(2, 1), "Наименование позиции");
    EXPECT_EQ(s.textAt(2, 2), "Параметр");
    EXPECT_EQ(s.textAt(3, 2), "Объект №7 «Северный» — ёж");
    EXPECT_EQ(s.textAt(4, 1), "Кровля: J1   Подошва: K2");
    EXPECT_EQ(s.textAt(4, 2), "0123");
    EXPECT_EQ(s.textAt(5, 1), "=1+1");
    EXPECT_EQ(s.textAt(5, 2), "=A1");
    ASSERT_NE(s.at(6, 1), nullptr);
    EXPECT_EQ(s.at(6, 1)->type, ReadCell::Number);
    EXPECT_EQ(s.at(6, 1)->number, 12.5);
    EXPECT_EQ(s.textAt(6, 2), "café ñ");
    ASSERT_NE(s.at(7, 1), nullptr);
    EXPECT_EQ(s.at(7, 1)->type, ReadCell::Text);
    EXPECT_EQ(s.at(7, 1)->text, "");
    EXPECT_EQ(s.textAt(8, 2), QString::fromUtf8("tab\there\r\nnext line \u0098"));
    EXPECT_EQ(s.textAt(9, 1), QString::fromUtf8("😀 emoji"));

    const std::set<std::pair<int, int>> bold = {{1, 1}, {2, 1}, {2, 2}, {3, 1}, {7, 3}};
    for (const ReadCell& c : s.cells)
        EXPECT_EQ(c.bold, bold.count({c.row, c.column}) == 1) << c.row << "," << c.column;
    ASSERT_NE(s.at(7, 3), nullptr);
    EXPECT_EQ(s.at(7, 3)->type, ReadCell::Blank);

    // 100 and 50 characters, with Excel's cell padding (less than one character) on top.
    ASSERT_EQ(s.widths.size(), 2u);
    EXPECT_GE(s.widths.at(1), 100 * 256);
    EXPECT_LT(s.widths.at(1), 101 * 256);
    EXPECT_GE(s.widths.at(2), 50 * 256);
    EXPECT_LT(s.widths.at(2), 51 * 256);
    EXPECT_FALSE(s.hidden.at(1));
}

TEST(XlsWorkbook, LongAndManyTextsCrossRecordBoundaries)
{
    SheetDocument d;
    const QString cyrillic = QString(20000, u'щ') + "конец";
    const QString latin = QString(30000, u'x') + "end";
    d.setFormula(1, 1, "'" + cyrillic);
    d.setFormula(1, 2, "'" + latin);
    d.setFormula(1, 3, "'" + QString(40000, u'я')); // longer than a cell holds
    // Thousands of short strings, Cyrillic and Latin by turns, many of them repeated.
    for (int r = 2; r <= 3001; ++r) {
        d.setFormula(r, 1, QStringLiteral("'Точка %1").arg(r));
        d.setFormula(r, 2, QStringLiteral("'p%1").arg(r % 50));
        d.setFormula(r, 4, QString::number(r * 0.25));
        if (r % 7 == 0) d.setBold(r, 1);
    }
    QTemporaryDir dir;
    const QString path = writeXls(dir, "long.xls", d);
    const ReadSheet s = ReadWithXlrd(path);
    EXPECT_EQ(s.warnings, "");
    EXPECT_EQ(s.rows, 3001);
    EXPECT_EQ(s.textAt(1, 1), cyrillic);
    EXPECT_EQ(s.textAt(1, 2), latin);
    EXPECT_EQ(s.textAt(1, 3), QString(32767, u'я'));
    for (int r = 2; r <= 3001; ++r) {
        ASSERT_EQ(s.textAt(r, 1), QStringLiteral("Точка %1").arg(r)) << r;
        ASSERT_EQ(s.textAt(r, 2), QStringLiteral("p%1").arg(r % 50)) << r;
        ASSERT_NE(s.at(r, 4), nullptr);
        ASSERT_EQ(s.at(r, 4)->number, r * 0.25);
        ASSERT_EQ(s.at(r, 1)->bold, r % 7 == 0) << r;
    }

    // Excel refuses records longer than 8224 bytes; the string table goes on in CONTINUE
    // records and is counted exactly.
    const std::vector<Record> recs = records(CompoundStreamWithXlrd(path, "Workbook"));
    int continues = 0;
    for (const Record& r : recs) {
        EXPECT_LE(r.payload.size(), 8224);
        continues += r.type == 0x003C;
    }
    EXPECT_GE(continues, 10);
    const auto sst = std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.type == 0x00FC; });
    ASSERT_NE(sst, recs.end());
    const auto u32 = [](const QByteArray& b, int at) {
        return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16
               | uint32_t(uint8_t(b[at + 3])) << 24;
    };
    EXPECT_EQ(u32(sst->payload, 0), 3u + 2 * 3000); // references
    EXPECT_EQ(u32(sst->payload, 4), 3u + 3000 + 50); // unique strings
    EXPECT_EQ(recs.front().type, 0x0809);
    EXPECT_EQ(recs.back().type, 0x000A);
}

TEST(XlsWorkbook, EmptyAndFullSheets)
{
    QTemporaryDir dir;
    const QString empty = writeXls(dir, "empty.xls", SheetDocument());
    EXPECT_EQ(QFileInfo(empty).size() % 512, 0);
    const ReadSheet e = ReadWithXlrd(empty);
    EXPECT_EQ(e.warnings, "");
    EXPECT_EQ(e.sheetCount, 1);
    EXPECT_EQ(e.rows, 0);

    // The last row and column of an Excel 97 sheet, and a hidden (zero-width) column.
    SheetDocument d;
    for (int r = 1; r <= 65536; r += 1111) d.setFormula(r, 1, QStringLiteral("'%1").arg(r));
    d.setFormula(65536, 256, "'corner");
    d.setColumnWidth(3, 0);
    d.setColumnWidth(256, 99999); // beyond 255 characters: the widest column
    const ReadSheet s = ReadWithXlrd(writeXls(dir, "full.xls", d));
    EXPECT_EQ(s.warnings, "");
    EXPECT_EQ(s.rows, 65536);
    EXPECT_EQ(s.columns, 256);
    EXPECT_EQ(s.textAt(65536, 256), "corner");
    EXPECT_EQ(s.textAt(1 + 1111 * 58, 1), QString::number(1 + 1111 * 58));
    EXPECT_TRUE(s.hidden.at(3));
    EXPECT_GE(s.widths.at(256), 255 * 256);
}

TEST(XlsWorkbook, LibreOfficeReadsTheSameTexts)
{
    QTemporaryDir dir;
    SheetDocument big;
    big.setFormula(1, 1, "'" + QString(9000, u'ф') + "!");
    for (int r = 2; r <= 2000; ++r) big.setFormula(r, 2, QStringLiteral("'Долгота %1, \"кавычки\"").arg(r));
    const QStringList files = {writeXls(dir, "table.xls", parameterTable()), writeXls(dir, "big.xls", big),
                               writeXls(dir, "empty.xls", SheetDocument())};
    const QString out = dir.filePath("csv");
    QDir().mkpath(out);
    ASSERT_TRUE(ConvertWithLibreOffice(files, "csv:Text - txt - csv (StarCalc):44,34,76", out));

    auto csv = [&](const char* name) {
        QFile f(out + "/" + name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return ParseCsv(QString::fromUtf8(f.readAll()));
    };
    const std::vector<QStringList> table = csv("table.csv");
    ASSERT_GE(table.size(), 9u);
    EXPECT_EQ(table[0][0], "Таблица 1. \"География\"");
    EXPECT_EQ(table[1].mid(0, 2), QStringList({"Наименование позиции", "Параметр"}));
    EXPECT_EQ(table[2][1], "Объект №7 «Северный» — ёж");
    EXPECT_EQ(table[3][0], "Кровля: J1   Подошва: K2");
    EXPECT_EQ(table[3][1], "0123");
    EXPECT_EQ(table[4][0], "=1+1");
    EXPECT_EQ(table[5][0], "12.5");
    EXPECT_EQ(table[5][1], "café ñ");
    EXPECT_EQ(table[8][0], QString::fromUtf8("😀 emoji"));

    const std::vector<QStringList> rows = csv("big.csv");
    ASSERT_EQ(rows.size(), 2000u);
    EXPECT_EQ(rows[0][0], QString(9000, u'ф') + "!");
    for (int r = 2; r <= 2000; ++r) ASSERT_EQ(rows[r - 1][1], QStringLiteral("Долгота %1, \"кавычки\"").arg(r)) << r;
    EXPECT_TRUE(QFileInfo::exists(out + "/empty.csv"));
}
