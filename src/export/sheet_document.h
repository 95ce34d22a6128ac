#pragma once
// One spreadsheet document of one sheet, held in memory until a back end writes it out: cell
// values, bold cells and column widths, addressed 1-based like the spreadsheet programs do.
// Both back ends serialise the same document, so a table reads the same whichever program the
// user chose.
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace talvena {

// What a cell holds. A cell that is only bold is Empty with the bold flag.
struct SheetCell {
    enum class Kind : uint8_t { Empty, Text, Number };
    Kind kind = Kind::Empty;
    bool bold = false;
    QString text;      // Text
    double number = 0; // Number
};

// What putting a text into a cell's formula makes of it, as a spreadsheet does on input, but
// without ever computing anything:
// - a leading apostrophe makes the rest literal text (an apostrophe alone gives an empty text);
// - a plain decimal number ("12", "-0.5", ".5", "1E3"; a point as decimal separator, no blanks,
//   no thousands separators) becomes a number;
// - the empty text clears the cell;
// - everything else, "=A1+1" included, is kept as literal text: formulas are not evaluated.
struct FormulaInput {
    SheetCell::Kind kind;
    QString text;
    double number = 0;
};
FormulaInput InterpretFormulaText(const QString& formula);

class SheetDocument {
public:
    // The limits of an Excel 97 sheet, which both back ends write.
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxColumns = 256;
    // The longest text an Excel 97 cell holds, in UTF-16 code units; longer texts are cut there.
    static constexpr int kMaxTextLength = 32767;

    // These throw an Error naming the cell for a position outside 1..kMaxRows, 1..kMaxColumns,
    // as the program does for a cell its sheet does not have.
    void setFormula(int row, int column, const QString& formula);
    void setBold(int row, int column);
    // Hundredths of the back end's unit (characters for the workbook writer, millimetres for
    // LibreOffice); a width below zero counts as zero.
    void setColumnWidth(int column, int hundredths);

    // Rows and columns used by any cell, value or bold (0 when the sheet is empty).
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return columnCount_; }
    // Cells of a row (1-based) from column 1 up to its last used column; empty past the end.
    const std::vector<SheetCell>& row(int row) const;
    const SheetCell* cell(int row, int column) const;
    // Widths by column index (1-based): nothing where no width was set.
    const std::vector<std::optional<int>>& columnWidths() const { return widths_; }

private:
    SheetCell& cellForWrite(int row, int column);

    std::vector<std::vector<SheetCell>> rows_;
    std::vector<std::optional<int>> widths_; // index 0 unused
    int columnCount_ = 0;
};

} // namespace talvena
