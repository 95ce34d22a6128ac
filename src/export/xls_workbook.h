#pragma once
// Writer of Excel 97 workbooks (BIFF8) with one sheet: the "Workbook" stream of a compound
// file. Records are 2 bytes type, 2 bytes payload length (at most 8224), then the payload;
// every number is little-endian. The stream holds, in order:
//
//   workbook globals
//     BOF 0809         version 0600, kind 0005 (globals), build 0DBB, year 07CC, flags, lowest version 6
//     CODEPAGE 0042    1200: texts are Unicode
//     WINDOW1 003D     the workbook window: place, size, flags, active and first tab 0, one tab selected
//     FONT 0031 x5     Arial 10 pt, Cyrillic character set. Font index 4 does not exist in BIFF, so the
//                      fifth record, the bold one (weight 700), is font 5
//     XF 00E0 x17      0-14 style formats of the Normal style, 15 the default cell format,
//                      16 the bold cell format (font 5)
//     STYLE 0293       the built-in Normal style on XF 0
//     BOUNDSHEET 0085  stream offset of the sheet's BOF, visible worksheet, its name
//     SST 00FC         references to strings in the sheet, unique strings, then the strings; a string
//       (+ CONTINUE 003C) is 2 bytes length in characters, 1 byte flags (bit 0: UTF-16, else one byte a
//                      character, Latin-1), the characters. A record that fills up goes on in a
//                      CONTINUE record; a string cut there goes on after one new flags byte
//     EXTSST 00FF      strings per bucket, then per bucket the stream offset of its first string and
//                      that string's offset within its record
//     EOF 000A
//   the sheet
//     BOF 0809         kind 0010 (worksheet)
//     DEFCOLWIDTH 0055 8 characters
//     COLINFO 007D     a column with a width: first and last column, width in 1/256 of the width of
//                      the digit zero with Excel's cell padding, XF 15, flags (bit 0 hidden), reserved
//     DIMENSIONS 0200  first used row, last used row + 1, first used column, last used column + 1
//     for each block of 32 rows: ROW 0208 for every row of the block with cells (row, first column,
//                      last column + 1, default height, flags), then the cells of those rows:
//       LABELSST 00FD  row, column, XF, index into the SST (text)
//       NUMBER 0203    row, column, XF, IEEE 754 double (number)
//       BLANK 0201     row, column, XF (a bold cell without value)
//     WINDOW2 023E     grid lines, headers, zeros shown; the sheet selected and active
//     EOF 000A
//
// Rows and columns are 0-based in the records. The stream is padded with zero bytes to 4096 bytes
// so the compound file needs no mini stream; readers stop at the sheet's EOF.
#include "export/sheet_document.h"

#include <QByteArray>
#include <QString>

namespace talvena {

// The sheet's name in the workbook, as a Russian spreadsheet program names its first sheet.
inline const QString kXlsSheetName = QStringLiteral("Лист1");

// Column widths of the document are hundredths of characters (Excel's column width: digits of
// the default font that fit between the cell's paddings); 0 hides the column, 255 characters
// is the most a column takes.
QByteArray BuildWorkbookStream(const SheetDocument& document);

// The whole .xls file: the workbook stream in a compound file.
QByteArray BuildXlsFile(const SheetDocument& document);

} // namespace talvena
