// Opening and saving a passport file with the data module's tables.
#include "model/data_module.h"

#include "storage/passport_file.h"

#include <utility>
#include <vector>

namespace talvena {

PassportTableList TDataModule2::passportTables()
{
    return {&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES};
}

void TDataModule2::LoadPassport(const QString& fileName, const std::function<void()>& afterBlock)
{
    // Parse everything before anything changes.
    RecordTable s1("TempTable"), s2("TempTable"), s3("TempTable"), s4("TempTable"), s5("TempTable");
    const PassportTableList scratch{&s1, &s2, &s3, &s4, &s5};
    ReadPassportBlocks(fileName, scratch, formats_, afterBlock);

    // Copying runs the tables' rules, which may still refuse a record; keep what is needed to put
    // the open passport back: the passport tables and the dictionaries the cascades narrow.
    std::vector<std::pair<RecordTable*, RecordTable::Snapshot>> saved;
    for (RecordTable* t : passportTables()) saved.emplace_back(t, t->takeSnapshot());
    for (int n : {2, 3, 4, 12, 13})
        if (RecordTable* d = dict(n)) saved.emplace_back(d, d->takeSnapshot());
    const PassportState savedState = state_;
    const auto savedOwed = owedPointCounts_;

    state_.setLoading(true);
    try {
        const bool uniqueIds[kPassportTableCount] = {false, true, true, true, false};
        const PassportTableList targets = passportTables();
        for (int i = 0; i < kPassportTableCount; ++i) {
            CopyTableRecords(*scratch[i], *targets[i], uniqueIds[i]);
            if (afterBlock) afterBlock();
        }
    } catch (...) {
        for (auto& [table, snapshot] : saved) table->restoreSnapshot(snapshot);
        state_ = savedState;
        owedPointCounts_ = savedOwed;
        throw;
    }
    state_.setLoading(savedState.loading());
    state_.setFileName(fileName);
    AllowCommaInContourCoordinates();
}

void TDataModule2::SavePassport(const QString& fileName, const std::function<void()>& afterBlock)
{
    CommitPendingEdits();
    POSIB_PRODUCT_HOR.setFiltered(false);
    WritePassportFile(fileName, passportTables(), formats_, afterBlock);
    state_.setFileName(fileName);
}

} // namespace talvena
