#include "model/passport_state.h"

#include "table/record_table.h"

namespace talvena {

void CommitPendingEdits(std::span<RecordTable* const> tablesInOrder)
{
    for (RecordTable* t : tablesInOrder) {
        if (t->state() == TableState::Edit || t->state() == TableState::Insert) t->post();
    }
}

} // namespace talvena
