#pragma once
// The record grids of the horizon pages, declared as data: which table each grid shows, its title
// strip, title row height, record navigator and columns. The window builds its grids from these and
// the unpacked passport export writes its list tables from them, so they live below the GUI.
#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <span>
#include <vector>

namespace talvena {

// How a column edits its field.
enum class ColumnKind : uint8_t {
    Editable,   // typed in place
    ReadOnly,   // shown only
    Lookup,     // a drop-down of the lookup's names storing the chosen key
    Calculated, // a calculated field: shown only
    Picker,     // an edit button opens a picker that writes `pickerField`
};

enum class PickerKind : uint8_t { None, Scale, StratigraphicIndex };

struct GridColumnDecl {
    const char* field;
    const char* title;               // UTF-8, exactly as shown (trailing blanks included); the
                                     // declarations leave it out where it is the field's caption
    ColumnKind kind = ColumnKind::Editable;
    PickerKind picker = PickerKind::None;
    const char* pickerField = nullptr; // the integer field the picker writes
    const char* sortField = nullptr;   // what a title click sorts on; nullptr: the field itself
    int width = 0;                     // pixels at first; 0: as wide as the title's longest word

    bool editable() const { return kind == ColumnKind::Editable || kind == ColumnKind::Lookup; }
};

// Buttons of a record navigator, in their order on the bar.
enum NavigatorButton : uint8_t {
    NavFirst = 1 << 0,
    NavPrior = 1 << 1,
    NavNext = 1 << 2,
    NavLast = 1 << 3,
    NavInsert = 1 << 4,
    NavDelete = 1 << 5,
    NavPost = 1 << 6,
    NavCancel = 1 << 7,
};
inline constexpr uint8_t kAllNavigatorButtons = 0xFF;
inline constexpr int kNavigatorButtonCount = 8;

struct GridDecl {
    const char* objectName;
    const char* table;
    int page;                      // index of the inner page
    const char* stripText;         // UTF-8 title strip above the grid
    const char* stripName;         // object name of the strip
    int titleHeight;               // pixels of the title row
    const char* navigatorName;     // nullptr: no navigator
    uint8_t navigatorButtons;
    bool refusesDelete;            // rows cannot be deleted from this grid, by keyboard either
    bool sortableTitles;           // clicking a title sorts
    std::span<const GridColumnDecl> columns;
    // Rows are picked as a whole and never typed into, inserted or deleted in the grid.
    bool readOnlyRows = false;
};

// Every record grid of the inner pages, in page order (JvDBGrid1 … JvDBGrid10, JvDBGrid14).
std::span<const GridDecl> Grids();
const GridDecl* FindGrid(const char* objectName);

// The grids of the attachment slot lists Files1, Files2 and Files3 (JvDBGrid12, JvDBGrid13,
// JvDBGrid11), in this order; their tables belong to the window, not the data module.
std::span<const GridDecl> SlotGrids();

// The column a title click sorts on, lower case: the declared sort field or the field itself.
QByteArray SortFieldOf(const GridColumnDecl& column);

// The order and visibility of the columns of each grid as the user left them (the window moves and
// hides columns; the export writes every column, hidden ones included, in this order). A grid
// nobody touched has its declared order with every column shown.
class GridLayouts {
public:
    struct Column {
        int declared; // index into GridDecl::columns
        bool hidden = false;
    };

    std::vector<Column> columns(const char* gridName) const;
    void setOrder(const char* gridName, const std::vector<int>& declaredIndexes);
    void setHidden(const char* gridName, int declaredIndex, bool hidden);

private:
    QHash<QByteArray, std::vector<Column>> layouts_;
};

} // namespace talvena
