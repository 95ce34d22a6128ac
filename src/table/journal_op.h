#pragma once
// One recorded change of a table's stored records (see EditJournal). Only the table and the
// journal read these.
#include "table/value.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace talvena {

class RecordTable;

struct JournalOp {
    enum class Kind : uint8_t {
        Cell,        // `row`'s value of data column `slot`: before, after
        Status,      // `row`'s status: statusBefore, statusAfter
        OrderInsert, // `rows` went into the order (baseOrder when `base`) at index `row` on
        OrderErase,  // `rows` holds (index, row) pairs, by ascending index before erasing
        RowsAdded,   // rows `row` … `row + count - 1` were added; `payload` holds them once undone
        RowsCleared, // `rows` were deleted: their values cleared, status 2; `payload` holds them before
        OrderSwap,   // the order, the base order and the sort were replaced; `payload` holds the others
        DataSwap,    // every stored record was replaced; `payload` holds the others
    };
    RecordTable* table = nullptr;
    Kind kind = Kind::Cell;
    bool base = false;
    uint8_t statusBefore = 0, statusAfter = 0;
    int slot = -1;
    uint32_t row = 0;
    uint32_t count = 0;
    Value before{}, after{};
    std::vector<uint32_t> rows{};
    std::shared_ptr<void> payload{};
    size_t payloadBytes = 0;

    size_t memoryBytes() const;
};

} // namespace talvena
