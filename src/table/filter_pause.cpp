#include "table/filter_pause.h"

namespace talvena {

FilterPause::FilterPause(RecordTable& table)
    : table_(table), filtered_(table.filtered()), filterText_(table.filterText())
{
    if (!table_.active()) return;
    row_ = table_.storedRowAt(table_.currentViewPosition());
    table_.setFiltered(false);
}

void FilterPause::restore()
{
    if (restored_) return;
    restored_ = true;
    if (!table_.active()) return;
    if (table_.filterText() != filterText_) table_.setFilterText(filterText_);
    table_.setFiltered(filtered_);
    if (row_ >= 0) table_.moveToStoredRow(static_cast<uint32_t>(row_));
}

FilterPause::~FilterPause()
{
    try {
        restore();
    } catch (...) {
    }
}

} // namespace talvena
