// Opening and saving a passport file with the data module's tables.
#include "model/data_module.h"

#include "base/error.h"
#include "storage/load_budget.h"
#include "storage/passport_file.h"

#include <new>

#include <utility>
#include <vector>

namespace talvena {

PassportTableList TDataModule2::passportTables()
{
    return {&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES};
}

bool TDataModule2::LoadPassport(const QString& fileName, const std::function<void()>& afterBlock,
                                const DamagedFileQuestion& openDamaged)
{
    return LoadPassportBytes(ReadWholeFile(fileName), fileName, afterBlock, openDamaged);
}

bool TDataModule2::LoadPassportBytes(const QByteArray& bytes, const QString& fileName,
                                     const std::function<void()>& afterBlock, const DamagedFileQuestion& openDamaged)
{
    // Parse everything before anything changes.
    RecordTable s1("TempTable"), s2("TempTable"), s3("TempTable"), s4("TempTable"), s5("TempTable");
    const PassportTableList scratch{&s1, &s2, &s3, &s4, &s5};
    const PassportTableList targets = passportTables();
    LoadBudget budget = LoadBudget::forFileSize(bytes.size());
    const PassportReadReport report = ReadPassportBytes(bytes, scratch, formats_, budget, afterBlock);
    for (int i = 0; i < kPassportTableCount; ++i) budget.charge(CopyTableRecordsCost(*scratch[i], *targets[i]));
    if (report.damaged()) {
        if (!openDamaged) throw Error(DescribePassportDamage(report).toStdString());
        if (!openDamaged(report)) return false;
    }

    // Copying runs the tables' rules, which may still refuse a record; keep what is needed to put
    // the open passport back: the passport tables and the dictionaries the cascades narrow.
    std::vector<std::pair<RecordTable*, RecordTable::Snapshot>> saved;
    for (RecordTable* t : targets) saved.emplace_back(t, t->takeSnapshot());
    for (int n : {2, 3, 4, 12, 13})
        if (RecordTable* d = dict(n)) saved.emplace_back(d, d->takeSnapshot());
    const PassportState savedState = state_;
    const auto savedOwed = owedPointCounts_;
    auto restore = [&] {
        for (auto& [table, snapshot] : saved) table->restoreSnapshot(snapshot);
        state_ = savedState;
        owedPointCounts_ = savedOwed;
    };

    state_.setLoading(true);
    try {
        const bool uniqueIds[kPassportTableCount] = {false, true, true, true, false};
        for (int i = 0; i < kPassportTableCount; ++i) {
            CopyTableRecords(*scratch[i], *targets[i], uniqueIds[i]);
            scratch[i]->close(); // its records now live in the passport table
            if (afterBlock) afterBlock();
        }
    } catch (const std::bad_alloc&) {
        restore();
        throw Error("Stream read error");
    } catch (...) {
        restore();
        throw;
    }
    state_.setLoading(savedState.loading());
    state_.setFileName(fileName);
    AllowCommaInContourCoordinates();
    return true;
}

void TDataModule2::SavePassport(const QString& fileName, const std::function<void()>& afterBlock)
{
    CommitPendingEdits();
    POSIB_PRODUCT_HOR.setFiltered(false);
    WritePassportFile(fileName, passportTables(), formats_, afterBlock);
    state_.setFileName(fileName);
}

} // namespace talvena
