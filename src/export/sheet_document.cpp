#include "export/sheet_document.h"

#include "base/error.h"

#include <charconv>
#include <cmath>
#include <string>

namespace talvena {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The plain decimal forms a spreadsheet reads as a number whatever its locale's separators.
std::optional<double> plainDecimalNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
        qsizetype exponentDigits = 0;
        while (i < n && isDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;

    const std::string ascii = text.toStdString();
    const char* first = ascii.data();
    if (*first == '+') ++first; // from_chars takes no plus sign
    double value = 0;
    const auto [end, error] = std::from_chars(first, ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

void checkPosition(int row, int column)
{
    if (row < 1 || row > SheetDocument::kMaxRows || column < 1 || column > SheetDocument::kMaxColumns)
        throw Error(formatMessage("Ячейка (строка %s, столбец %s) вне листа Excel 97: "
                                  "лист вмещает 65536 строк и 256 столбцов.",
                                  {std::to_string(row), std::to_string(column)}));
}

} // namespace

FormulaInput InterpretFormulaText(const QString& formula)
{
    if (formula.isEmpty()) return {SheetCell::Kind::Empty, {}};
    if (formula.front() == u'\'') return {SheetCell::Kind::Text, formula.mid(1)};
    if (const auto number = plainDecimalNumber(formula)) return {SheetCell::Kind::Number, {}, *number};
    return {SheetCell::Kind::Text, formula};
}

SheetCell& SheetDocument::cellForWrite(int row, int column)
{
    checkPosition(row, column);
    if (static_cast<int>(rows_.size()) < row) rows_.resize(row);
    std::vector<SheetCell>& cells = rows_[row - 1];
    if (static_cast<int>(cells.size()) < column) cells.resize(column);
    if (column > columnCount_) columnCount_ = column;
    return cells[column - 1];
}

void SheetDocument::setFormula(int row, int column, const QString& formula)
{
    SheetCell& cell = cellForWrite(row, column);
    FormulaInput input = InterpretFormulaText(formula);
    cell.kind = input.kind;
    cell.number = input.number;
    cell.text = std::move(input.text);
    if (cell.text.size() > kMaxTextLength) {
        qsizetype cut = kMaxTextLength;
        if (cell.text[cut - 1].isHighSurrogate()) --cut; // never half a character
        cell.text.truncate(cut);
    }
}

void SheetDocument::setBold(int row, int column) { cellForWrite(row, column).bold = true; }

void SheetDocument::setColumnWidth(int column, int hundredths)
{
    checkPosition(1, column);
    if (static_cast<int>(widths_.size()) <= column) widths_.resize(column + 1);
    widths_[column] = hundredths < 0 ? 0 : hundredths;
}

const std::vector<SheetCell>& SheetDocument::row(int row) const
{
    static const std::vector<SheetCell> kNone;
    if (row < 1 || row > static_cast<int>(rows_.size())) return kNone;
    return rows_[row - 1];
}

const SheetCell* SheetDocument::cell(int row, int column) const
{
    const std::vector<SheetCell>& cells = this->row(row);
    if (column < 1 || column > static_cast<int>(cells.size())) return nullptr;
    return &cells[column - 1];
}

} // namespace talvena
