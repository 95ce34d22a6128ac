// View positions: what a grid shows, row by row, with a pending new record among the stored ones.
#include "table/record_table.h"

#include "base/error.h"
#include "table/record_table_detail.h"

#include <algorithm>

namespace talvena {

using namespace record_table_detail;

// --- view positions ---------------------------------------------------------------------------

int RecordTable::pendingPosition() const
{
    return s_.pending && s_.state == TableState::Insert ? s_.cur : -1;
}

int RecordTable::currentViewPosition() const
{
    if (pendingPosition() >= 0) return s_.cur;
    return currentPosition();
}

Value RecordTable::valueAt(int position, const Field& f) const
{
    const int pending = pendingPosition();
    if (position < 0 || position >= positionCount()) return {};
    if (s_.pending && position == s_.cur) return f.value(); // the record being edited or inserted
    const int visiblePosition = pending >= 0 && position > pending ? position - 1 : position;
    return rowValue(visibleRow(visiblePosition), f);
}

int64_t RecordTable::storedRowAt(int position) const
{
    const int pending = pendingPosition();
    if (position < 0 || position >= positionCount() || position == pending) return -1;
    return visibleRow(pending >= 0 && position > pending ? position - 1 : position);
}

bool RecordTable::moveToStoredRow(uint32_t row)
{
    checkActive();
    settle();
    const auto& vis = visible();
    if (s_.cur >= 0 && s_.cur < int(vis.size()) && vis[size_t(s_.cur)] == row) return true;
    const auto it = std::find(vis.begin(), vis.end(), row);
    if (it == vis.end()) return false;
    scrolledTo(static_cast<int>(it - vis.begin()));
    return true;
}

QByteArray RecordTable::textAt(int position, Field& f, bool display)
{
    if (position < 0 || position >= positionCount()) return {};
    if (position == currentViewPosition() || !f.onGetText) {
        if (position == currentViewPosition()) return display ? f.displayText() : f.editText();
        return f.defaultText(valueAt(position, f), display);
    }
    const int pending = pendingPosition();
    const uint32_t row = visibleRow(pending >= 0 && position > pending ? position - 1 : position);
    // The handler reads "the" record: make it this row, with its calculated values, for the call.
    ActiveRecord rec;
    rec.row = row;
    std::vector<Value> calc;
    computeCalc(rec, calc);
    rec.calc = &calc;
    const std::optional<ActiveRecord> saved = eval_.override;
    eval_.override = rec;
    try {
        QByteArray text = display ? f.displayText() : f.editText();
        eval_.override = saved;
        return text;
    } catch (...) {
        eval_.override = saved;
        throw;
    }
}

} // namespace talvena
