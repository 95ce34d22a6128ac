#pragma once
// A command that must see every record of a filtered table (a save, an export, the totals) switches
// the filter off for its length; the page that showed the table must then show exactly what it
// showed before, or what the user types next lands in records the page was not meant to show.
#include "table/record_table.h"

namespace talvena {

class FilterPause {
public:
    // Switches the filter off, remembering the filter and the current record.
    explicit FilterPause(RecordTable& table);
    // Puts the filter back and makes the remembered record current again when it still shows.
    // Runs the table's scroll events, which may throw; restore() ends the pause early and lets
    // them through, the destructor ends it quietly (what fails there fails again in plain view).
    void restore();
    ~FilterPause();
    FilterPause(const FilterPause&) = delete;
    FilterPause& operator=(const FilterPause&) = delete;

private:
    RecordTable& table_;
    bool filtered_;
    QByteArray filterText_;
    int64_t row_ = -1;
    bool restored_ = false;
};

} // namespace talvena
