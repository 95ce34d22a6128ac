#pragma once
// What bound controls learn from a record table. The GUI subscribes; the engine never calls it directly.

namespace talvena {

class RecordTable;

enum class TableChange {
    Data,    // values of the current record or of the whole table changed
    Scroll,  // another record became current
    State,   // the table's state changed (browse, edit, insert)
    Layout,  // the field list was replaced
};

class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void tableChanged(RecordTable& table, TableChange change) = 0;
    // Before a post: a control that holds typed text not yet set into its field sets it now.
    virtual void updateRecord(RecordTable&) {}
};

} // namespace talvena
