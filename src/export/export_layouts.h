#pragma once
// The fifteen spreadsheet files of the unpacked passport, declared as data: each file's name,
// title, kind and column widths, the rows of the parameter tables and the grid each list table
// copies. The writer walks these; nothing about a single row is written out by hand.
#include <cstdint>
#include <span>

namespace talvena {

enum class ExportTableKind : uint8_t {
    Parameters, // row 2 "Наименование позиции" / "Параметр", then one label and value a row
    List,       // a record grid of the horizon pages, column by column
    Contours,   // every productive horizon's contour points
    TitleOnly,
};

// Where the value of a parameter row (column B) comes from. Texts of PASPORTS fields.
enum class ParameterValue : uint8_t {
    Section,            // a section heading: label not bold, nothing in B
    Text,               // the field's text form
    Number,             // FormatNumber(field): kNumberPattern, empty for an empty field
    DictionaryName,     // NAME of the entry of `dictionary` whose ID is the field's value
    MethodName,         // 92 (the other method): text of `other`; else the dictionary name
    RegionWithSupplement, // dictionary name + " " + text of `other`, blanks around removed
    StratigraphicRange, // "Кровля: " + name of field + "   Подошва: " + name of `other`
    BinSize,            // FormatNumber(field) + "X" + FormatNumber(other)
    GeologyText,        // the text of the Geology page's value label named by `field`
};

// A row of a parameter table. A field's dictionary comes from its row in the passport's
// declaration (field_schema.h), and so does the label where the row names none.
struct ParameterRow {
    const char* label; // UTF-8; nullptr: the field's caption
    ParameterValue value = ParameterValue::Section;
    const char* field = nullptr;
    const char* other = nullptr;
};

// The label of a row as written, UTF-8.
const char* ParameterLabel(const ParameterRow& row);

struct ExportTableDecl {
    const char* fileName; // UTF-8, in the folder "ТАБЛИЦЫ"
    const char* title;    // UTF-8, cell A1, bold
    ExportTableKind kind;
    int widthA = 0;       // SetWidth of columns 1 and 2; 0: the program's default width
    int widthB = 0;
    std::span<const ParameterRow> rows; // Parameters: the rows from row 3 on
    const char* grid = nullptr;         // List: the object name of the record grid
};

// The tables in the order they are written.
std::span<const ExportTableDecl> ExportTables();

// The method identifier whose name the passport keeps as free text.
inline constexpr int kOtherMethodId = 92;

} // namespace talvena
