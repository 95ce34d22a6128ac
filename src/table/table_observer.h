#pragma once
// What bound controls learn from a record table. The GUI subscribes; the engine never calls it directly.
#include <cstdint>

namespace talvena {

class RecordTable;

enum class TableChange {
    Data,    // values of the current record or of the whole table changed
    Scroll,  // another record became current
    State,   // the table's state changed (browse, edit, insert)
    Layout,  // the field list was replaced
};

// Row-level changes, in view positions (RecordTable::positionCount): the visible records in their
// order, with a pending new record at its place among them. Grids follow these instead of
// rebuilding themselves on every change.
enum class RowChange {
    Changed,        // values shown at `position` changed
    PendingAdded,   // a new record started at `position`; later positions moved down by one
    PendingDropped, // the new record at `position` was cancelled; later positions moved up by one
    Added,          // a stored record appeared at `position`
    Removed,        // the record at `position` left the view
    Moved,          // the record at `position` now stands at `to` (positions counted after it left)
    Reset,          // anything may have changed: bulk work, sorting, filtering, loading
};

struct RowNotice {
    RowChange change;
    int position = -1;
    int to = -1;
    // The stored row of the record (the row identity the edit journal uses, which survives
    // sorting and filtering): the one changed, added, moved or removed; -1 for a pending new
    // record and for Reset.
    int64_t row = -1;
};

class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void tableChanged(RecordTable& table, TableChange change) = 0;
    // Before a post: a control that holds typed text not yet set into its field sets it now.
    virtual void updateRecord(RecordTable&) {}
    // Row-level changes; sent before the tableChanged notice of the same operation.
    virtual void rowsChanged(RecordTable&, const RowNotice&) {}
};

} // namespace talvena
