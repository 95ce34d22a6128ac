#pragma once
// Fills one spreadsheet file after another, row by row, on top of TopofCalc: the current row and
// column, the document of the file being written and its path, and the program chosen for the
// whole export. Rows and columns are 1-based.
#include "export/spreadsheet.h"
#include "model/grid_decl.h"

#include <QString>

#include <memory>
#include <vector>

namespace talvena {

class RecordTable;

class TableWriter {
public:
    TableWriter(PreferredProgram program, ExportSession& session);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // Starts a new document for the file at `path` (the program starts and creates it). A file
    // already there is replaced only when the new one has been written completely.
    void BeginTable(const QString& path);
    // Saves the document at the path of BeginTable and lets the program go.
    void EndTable();

    // Nothing for an empty text; else the cell gets "'" + text (kept as literal text, numbers
    // included) and, when bold, the bold font, a failure of which is ignored.
    void PutCell(int column, int row, bool bold, const QString& text);
    // Label in column 1 and value in column 2 of the current row, then the next row.
    void PutPair(const QString& label, const QString& value, bool boldLabel, bool boldValue);
    // The current cell, then the next column.
    void PutNext(const QString& text, bool bold);
    // Width in characters (Excel) or millimetres (Calc).
    void SetWidth(int column, int width);

    // A record grid at the current row: its column titles (bold) in the given order, then one row
    // for each visible record of the table in its current order with every column's text form;
    // the column goes back to 1.
    void PutGrid(RecordTable& table, const GridDecl& grid, const std::vector<GridLayouts::Column>& columns);

    int row = 1;
    int column = 1;

private:
    PreferredProgram program_;
    ExportSession& session_;
    std::unique_ptr<TopofCalc> calc_;
    QString path_;
};

} // namespace talvena
