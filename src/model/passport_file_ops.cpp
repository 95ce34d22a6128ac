// Opening and saving a passport file with the data module's tables.
#include "model/data_module.h"

#include "base/error.h"
#include "base/file_mapping.h"
#include "storage/kept_blocks.h"
#include "storage/load_budget.h"
#include "storage/passport_file.h"
#include "storage/passport_lock.h"
#include "table/filter_pause.h"

#include <new>

#include <utility>
#include <vector>

namespace talvena {

PassportTableList TDataModule2::passportTables()
{
    return {&PASPORTS, &REFLECT_HORIZONTS, &POSIB_PRODUCT_HOR, &KONTUR, &FILES};
}

bool TDataModule2::takeOverLoadedRecords(RecordTable& loaded, RecordTable& target, bool makeIdsUnique)
{
    // The contour points and the attachments are taken over whole (copied one by one, a million
    // points took a second). The attachments have no events. Of the contour table's events nothing
    // outlasts a copy that writes every field of every point, apart from what is done here: the
    // new-record rule's values are all overwritten, points loaded do not count for their
    // horizons, and each post marks the passport modified and remembers the current point.
    if (&target == &KONTUR) {
        if (!TakeOverTableRecords(loaded, target, makeIdsUnique)) return false;
        if (KONTUR.storedCount() > 0) state_.setModified(true);
        postingNewPoint_ = false;
        currentPointHead_ = static_cast<int32_t>(KONTUR.fieldByName("HEAD_ID").asInteger());
        return true;
    }
    return &target == &FILES && TakeOverTableRecords(loaded, target, makeIdsUnique);
}

bool TDataModule2::LoadPassport(const QString& fileName, const std::function<void()>& afterBlock,
                                const DamagedFileQuestion& openDamaged)
{
    // Only the four table blocks are read now; the attachments stay in the file's mapping until
    // they are changed or the passport is closed.
    const bool loaded = LoadPassportBytes(MapFileBytes(fileName), fileName, afterBlock, openDamaged);
    ReleaseUnusedMappings(); // the file of the passport this one replaced
    return loaded;
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
    // Loading is no edit: nothing of it is recorded, and the history starts with the new passport.
    journal_.suspend();
    struct Resume {
        EditJournal& j;
        ~Resume() { j.resume(); }
    } resume{journal_};
    try {
        const bool uniqueIds[kPassportTableCount] = {false, true, true, true, false};
        for (int i = 0; i < kPassportTableCount; ++i) {
            if (!takeOverLoadedRecords(*scratch[i], *targets[i], uniqueIds[i]))
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
    missingTablesWarning_ = DescribeMissingTables(report);
    journal_.clear();
    AllowCommaInContourCoordinates();
    // The compressed blocks, to be written again while their tables stay as they were loaded.
    keptBlocks_.clear();
    for (int i = 0; i < KeptPassportBlocks::kCount; ++i)
        if (!report.intactBlocks[size_t(i)].isEmpty())
            keptBlocks_.keepRead(i, *targets[size_t(i)], formats_.kbmBinaryStreamFormat1, report.intactBlocks[size_t(i)]);
    return true;
}

void TDataModule2::SavePassport(const QString& fileName, const std::function<void()>& afterBlock)
{
    // Another program editing the passport would lose its work to this save, or this one to its.
    CheckPassportWritable(fileName);
    CommitPendingEdits();
    const FilterPause allHorizons(POSIB_PRODUCT_HOR);
    WritePassportFile(fileName, passportTables(), formats_, afterBlock, &keptBlocks_);
    state_.setFileName(fileName);
    journal_.markSaved();
}

} // namespace talvena
