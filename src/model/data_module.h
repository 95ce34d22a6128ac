#pragma once
// The data module: owns every record table of the passport, the dictionaries, the coordinate
// types, the scratch table, the two table stream formats and the passport state, and carries the
// rules of the passport tables as their event handlers. It never calls the GUI: what it needs
// from the main window it asks through the notifications below.
#include "model/passport_state.h"
#include "storage/kept_blocks.h"
#include "storage/passport_file.h"
#include "storage/table_stream.h"
#include "table/edit_journal.h"
#include "table/record_table.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace talvena {

class TDataModule2 {
public:
    static constexpr int kDictionaryCount = 20;

    // Builds every table with its fields and handlers; the dictionaries and TCoords are open
    // (empty), the passport tables closed until DataModuleCreate.
    TDataModule2();
    ~TDataModule2();
    TDataModule2(const TDataModule2&) = delete;
    TDataModule2& operator=(const TDataModule2&) = delete;

    // Start-up: reads "DICTIONARYS.BIN" and "GROUPS.BIN" from the folder, fills TCoords and the
    // dictionaries, opens PASPORTS with the pending empty passport (ID -1) and the other passport
    // tables empty. An error of a step goes to the caller and the later steps do not run.
    void DataModuleCreate(const QString& executableFolder);

    // The passport tables in the order in which files and commits take them.
    RecordTable PASPORTS{"PASPORTS"};
    RecordTable REFLECT_HORIZONTS{"REFLECT_HORIZONTS"};
    RecordTable POSIB_PRODUCT_HOR{"POSIB_PRODUCT_HOR"};
    RecordTable KONTUR{"KONTUR"};
    RecordTable FILES{"FILES"};
    // Dictionary sources, coordinate types and the scratch table of passport loading.
    RecordTable DICTIONARYS{"DICTIONARYS"};
    RecordTable Groups{"Groups"};
    RecordTable TCoords{"TCoords"};
    RecordTable TempTable{"TempTable"};

    // Dict1 … Dict20; nullptr for any other number.
    RecordTable* dict(int number) const;
    // Any owned table by name (letter case ignored), "Dict" + n included; nullptr when none.
    RecordTable* findTable(const QByteArray& name) const;

    TableStreamFormats& formats() { return formats_; }
    PassportState& state() { return state_; }
    const PassportState& state() const { return state_; }

    // A field of any owned table by its object name (table name + field name, letter case
    // ignored); nullptr when there is none.
    Field* FindFieldByObjectName(const QByteArray& objectName) const;

    // Posts PASPORTS, REFLECT_HORIZONTS, POSIB_PRODUCT_HOR, KONTUR and FILES, in this order, when
    // in edit or insert state; the first error stops the rest.
    void CommitPendingEdits();

    // Lets typing into the contour coordinates accept a comma (done at start and after a load).
    void AllowCommaInContourCoordinates();

    // Asked, after a damaged file was read and before anything changes, whether to open what
    // could be read; the report says what is damaged (DescribePassportDamage).
    using DamagedFileQuestion = std::function<bool(const PassportReadReport&)>;

    // Reads a passport file into the five passport tables. All five blocks are read and parsed
    // first; the tables change only when everything succeeded, so a damaged or unreadable file
    // leaves the open passport exactly as it was. Sets the current file name. `afterBlock` runs
    // between the steps (to keep a window painted). A damaged file (a table block whose checksum
    // or length does not match, or no complete PASPORTS block) opens only when the question says
    // so; without a question it fails with the description of the damage. Returns false when the
    // question declined. What loading may allocate is bounded by the file's size ("Stream read
    // error" beyond that).
    bool LoadPassport(const QString& fileName, const std::function<void()>& afterBlock = {},
                      const DamagedFileQuestion& openDamaged = {});
    // The same over a file's bytes already in memory, named fileName.
    bool LoadPassportBytes(const QByteArray& bytes, const QString& fileName,
                           const std::function<void()>& afterBlock = {}, const DamagedFileQuestion& openDamaged = {});
    // After a load: the sentence naming the tables the file ended before (they opened empty),
    // for the window's warning and the command line's standard error; empty for a whole file.
    const QString& missingTablesWarning() const { return missingTablesWarning_; }
    // Commits pending edits, switches off the resource-page filter of the productive horizons and
    // writes the passport file atomically; the current file name becomes fileName once written.
    // A file whose lock another live program holds is not written (CheckPassportWritable).
    void SavePassport(const QString& fileName, const std::function<void()>& afterBlock = {});
    PassportTableList passportTables();

    // --- undo and redo ---------------------------------------------------------------------
    // The journal of the five passport tables: every user action is one step of it. It starts
    // empty when a passport is opened and survives saving.
    EditJournal& journal() { return journal_; }
    // Commits the pending edits (which become a step of their own), then undoes or redoes one
    // step; the contour table follows the current horizon again and the modified flag says
    // whether the passport differs from its saved state. Returns where the step changed the
    // passport, or a place without a table when there was nothing to do.
    EditJournal::Place UndoAction();
    EditJournal::Place RedoAction();

    // Contour work in bulk (import, clearing, the chart refresh).
    // While held, changes of the point counts gather and are written once, when the last hold is
    // released, instead of posting the horizon for every point.
    void holdPointCounts() { ++pointCountHolds_; }
    void releasePointCounts();
    // Deletes every point the contour table shows (those of the current productive horizon) at
    // once; the horizon's count and the modified flag follow as for one deletion after another.
    // Returns the number deleted.
    int DeleteShownContourPoints();
    // Posts each horizon whose KONTURNUMPOINTS (NULL read as 0) differs from the count given for
    // its ID, with the count; the contour table stays on the points it shows.
    void CorrectPointCounts(const std::vector<std::pair<int32_t, int64_t>>& counts);

    // Asked of the main window, when it exists: enable the supplementary geology edits that
    // match the province, region and district choices.
    std::function<void()> onUpdateGeoDopEdits;

private:
    void buildTables();
    void attachPassportHandlers();
    void attachHorizonHandlers();
    void attachContourHandlers();

    // Dictionary loading, one step each.
    void fillCoordinateTypes();
    void splitDictionaries();
    void orderDictionaries();

    // PASPORTS
    void PASPORTSCalcFields(const RecordTable& t);
    void PASPORTSAfterPost(RecordTable& t);
    void PASPORTSFEDERALOKRUG_IDChange(Field& f);
    void PASPORTSGEO_PROVINCE_IDChange(Field& f);
    void PASPORTSGEO_OBLAST_IDChange(Field& f);
    void PASPORTSGEO_RAION_IDChange(Field& f);
    void narrowDictionary(int number, const Field& parent);
    void UpdateGeoDopEdits();

    // REFLECT_HORIZONTS and POSIB_PRODUCT_HOR
    void HorizonBeforePost(RecordTable& t);
    void HorizonAfterPost(RecordTable& t);
    void REFLECT_HORIZONTSCalcFields(const RecordTable& t);
    void POSIB_PRODUCT_HORCalcFields(const RecordTable& t);
    void POSIB_PRODUCT_HORAfterScroll(RecordTable& t);

    // KONTUR
    // Takes a loaded table's records over into its passport table where that gives what copying
    // them would (see TakeOverTableRecords); false when they are to be copied.
    bool takeOverLoadedRecords(RecordTable& loaded, RecordTable& target, bool makeIdsUnique);

    void KONTURNewRecord(RecordTable& t);
    void KONTURBeforePost(RecordTable& t);
    void KONTURAfterPost(RecordTable& t);
    void KONTURAfterDelete(RecordTable& t);
    void KONTURAfterScroll(RecordTable& t);
    QByteArray KONTURXGetText(Field& f, bool display);
    void KONTURXSetText(Field& f, const QByteArray& text);
    int currentCoordinateType() const;

    // Point counts: a change of a horizon's count is owed until it can be written, on the
    // current horizon at once, on another one by visiting it while the horizons are in browse.
    void AdjustPointCount(int32_t horizonId, int64_t delta);
    void settleOwedPointCounts();
    bool applyPointCount(int32_t horizonId, int64_t delta);
    bool horizonExists(int32_t horizonId) const;

    EditJournal::Place replayAction(bool undo);
    // Filters the contour table to the points of the current productive horizon.
    void followCurrentHorizon();

    EditJournal journal_;
    std::array<std::unique_ptr<RecordTable>, kDictionaryCount> dicts_;
    TableStreamFormats formats_;
    PassportState state_;
    // The compressed blocks of the passport as last opened or saved (see KeptPassportBlocks).
    KeptPassportBlocks keptBlocks_;
    QString missingTablesWarning_;
    // Fields of the tables whose field lists never change, by lower-cased object name.
    QHash<QByteArray, Field*> objectNames_;

    std::map<int32_t, int64_t> owedPointCounts_;
    bool settlingPointCounts_ = false;
    int pointCountHolds_ = 0;
    bool postingNewPoint_ = false;
    int32_t postingPointHead_ = 0;
    int32_t currentPointHead_ = 0; // HEAD_ID of the current point: the one a delete removes
};

} // namespace talvena
