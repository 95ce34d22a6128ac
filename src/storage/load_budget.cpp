#include "storage/load_budget.h"

#include "base/error.h"

namespace talvena {

void LoadBudget::charge(qint64 bytes)
{
    if (bytes < 0 || bytes > remaining_) {
        remaining_ = 0;
        throw Error("Stream read error");
    }
    remaining_ -= bytes;
}

} // namespace talvena
