#pragma once
// Copying cells of a record grid and writing a block of cell texts into one, without widgets: the
// window's clipboard commands and the tests use the same rules.
//
// A pasted value goes through its field's own rules (the typed-text conversion, validations and
// change handlers), exactly as if it were typed into the cell; a value the field refuses leaves the
// cell as it was and is named with its row and column. Columns that are only shown (read-only,
// calculated, picker) are skipped. The whole paste is one undo step.
#include "model/grid_decl.h"
#include "table/cell_block.h"

#include <QString>
#include <functional>
#include <span>
#include <vector>

namespace talvena {

class RecordTable;
class TDataModule2;

// A record grid as the user sees it: its table, its declared columns and the declared indexes of
// the columns shown, in the order shown.
struct GridTarget {
    RecordTable* table = nullptr;
    std::span<const GridColumnDecl> columns;
    std::vector<int> shown;
    bool appendRows = false; // rows beyond the last become new records
    // Run around the whole paste (a hold on derived counts, for instance); `end` runs on every path.
    std::function<void()> begin, end;
};

// The target for a declared grid: new rows where its navigator inserts and its rows are typed into.
bool GridAppendsRows(const GridDecl& decl);
// Prepares a grid of the data module for a paste: the contour point grid first makes the current
// horizon's points shown (posting a new horizon, refusing when there is none) and writes the
// horizon's point count once at the end.
GridTarget ModuleGridTarget(TDataModule2& module, const GridDecl& decl, std::vector<int> shown);

struct CellRefusal {
    int row = 0;     // grid row from 1
    int column = 0;  // shown column from 1; 0 when the whole row was refused
    QString title;   // the column's title, empty for a whole row
    QString reason;
};

struct PasteOutcome {
    int taken = 0;    // values written
    int skipped = 0;  // values that fell on columns that are only shown
    int appended = 0; // new records
    std::vector<CellRefusal> refusals;
    int firstRow = -1, lastRow = -1; // grid rows (from 0) written, for the view to select
    int refusedCount() const { return static_cast<int>(refusals.size()); }
};

// Writes the block with its top-left cell at `position` (a grid row from 0, the table's view
// position) and shown column `shownColumn` (from 0). Cells right of the last shown column are
// dropped; rows beyond the last are appended when the target allows it, otherwise dropped and
// counted as skipped. Throws only when the paste cannot start (no horizon for points, a record
// being typed that its rules refuse); nothing is written then.
PasteOutcome PasteBlock(const GridTarget& target, int position, int shownColumn, const CellBlock& block);

// Clears the given cells (grid row from 0, shown column from 0) as a paste of empty texts does:
// editable columns only, one undo step, refusals as for a paste.
struct GridCell {
    int row = 0;
    int column = 0;
};
PasteOutcome ClearCells(const GridTarget& target, std::vector<GridCell> cells);

// The displayed texts of the given rows and shown columns (numbers with a point, lookup names,
// coordinates in the horizon's coordinate type). Cells the selection leaves out of the rectangle
// are given by `selected`, when set, as empty texts.
CellBlock CopyCells(const GridTarget& target, const std::vector<int>& rows, const std::vector<int>& shownColumns,
                    const std::function<bool(int row, int shownColumn)>& selected = {});

// One message about a paste: how many values were taken, new rows, and the first few refusals with
// their row, column and reason. Empty when nothing happened at all.
QString PasteSummary(const PasteOutcome& outcome, const QString& verb = QStringLiteral("Вставлено"));

} // namespace talvena
