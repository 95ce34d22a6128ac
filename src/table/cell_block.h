#pragma once
// A rectangular block of cell texts as spreadsheets exchange them through the clipboard: as
// tab-separated lines and as an HTML table. Reading is tolerant of what LibreOffice Calc, Excel
// and browsers write; writing is what they read back into cells.
#include <QString>
#include <QStringList>
#include <vector>

class QMimeData;

namespace talvena {

struct CellBlock {
    std::vector<QStringList> rows; // rows may be shorter than the widest: missing cells are empty
    // Columns that hold numbers. The HTML form gives their cells the value itself as well, so a
    // spreadsheet whose locale writes decimals with a comma still reads "12.5" as a number.
    std::vector<bool> numericColumns;

    int height() const { return static_cast<int>(rows.size()); }
    int width() const;
    bool empty() const { return rows.empty(); }
    // The text of a cell; empty beyond the end of its row.
    QString cell(int row, int column) const;
    bool numeric(int column) const
    {
        return column >= 0 && column < static_cast<int>(numericColumns.size()) && numericColumns[size_t(column)];
    }
};

// Lines end with CR LF, LF or CR; a line break at the very end adds no row. Cells are separated by
// tabs; a cell that starts with a double quote is quoted as spreadsheets quote a cell holding a
// tab, a line break or a quote ("" inside stands for one quote).
CellBlock ReadTabText(const QString& text);
// The rows and cells of the first table of an HTML text (th and td alike, colspan kept as empty
// cells); character references are decoded, runs of white space become one space, <br> a line
// break. A text without a table gives an empty block.
CellBlock ReadHtmlTable(const QString& html);

// The block as tab-separated lines (CR LF after each row), cells quoted only when they must be.
QString WriteTabText(const CellBlock& block);
// The block as an HTML document holding one table, the form spreadsheets paste into cells. A cell
// of a numeric column whose text is a plain number carries it as LibreOffice's sdval (with sdnum
// naming its English form) and Excel's x:num, which both read independently of their locale.
QString WriteHtmlTable(const CellBlock& block);

// The block the clipboard offers: its plain text when it has one, otherwise its first HTML table.
CellBlock ReadClipboardBlock(const QMimeData& data);
// Puts the block on the clipboard in both forms.
void WriteClipboardBlock(const CellBlock& block, QMimeData& data);

} // namespace talvena
