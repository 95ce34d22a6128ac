#pragma once
// What "Создать" goes back to: the passport tables and the dictionaries that the passport's region
// choices narrow, exactly as the data module held them when it was taken (at start), with no file
// name and nothing modified.
#include "table/record_table.h"

#include <utility>
#include <vector>

namespace talvena {

class TDataModule2;

class StartingPassport {
public:
    explicit StartingPassport(TDataModule2& module);
    // Throws when a table's fields changed since (a programming error).
    void restore();

private:
    TDataModule2& module_;
    std::vector<std::pair<RecordTable*, RecordTable::Snapshot>> tables_;
};

} // namespace talvena
