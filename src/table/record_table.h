#pragma once
// The in-memory record table: typed fields with NULL, data/calculated/lookup fields, one current
// record, a filter, a sort order, and table events that run in a fixed order.
//
// Values are kept per data field in columns; the current order and the visible subset are vectors
// of row numbers, so navigation, filtering and bulk loading stay cheap on a million records.
#include "base/large_memory.h"
#include "table/field.h"
#include "table/filter_expression.h"
#include "table/table_observer.h"

#include <QByteArray>
#include <QHash>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace talvena {

class EditJournal;
struct JournalOp;

enum class TableState { Inactive, Browse, Edit, Insert, Calculating };

class RecordTable {
public:
    using Event = std::function<void(RecordTable&)>;

    explicit RecordTable(QByteArray name);
    ~RecordTable();
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    const QByteArray& name() const { return name_; }

    // --- fields ---------------------------------------------------------------------------
    Field& addField(FieldDef def);
    Field& addField(const QByteArray& name, FieldType type, int size = 0, bool required = false);
    // Closes the table and discards its fields and records.
    void clearFields();
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) const { return *fields_[static_cast<size_t>(index)]; }
    Field* findField(const QByteArray& name) const;   // letter case ignored
    Field& fieldByName(const QByteArray& name) const; // throws "Field '%s' not found"
    Field* findFieldByObjectName(const QByteArray& objectName) const;

    // --- lifecycle and state ---------------------------------------------------------------
    void open();
    void close();
    bool active() const { return s_.state != TableState::Inactive; }
    TableState state() const { return eval_.target ? TableState::Calculating : s_.state; }
    bool modified() const { return s_.modified; }
    bool readOnly() const { return s_.readOnly; }
    void setReadOnly(bool r) { s_.readOnly = r; }
    int tag = 0;

    // --- navigation ------------------------------------------------------------------------
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int position);          // a visible position, as a grid selects a row
    bool eof() const { return s_.eof || visibleCount() == 0; }
    int recordCount() const { return visibleCount(); }
    bool isEmpty() const { return visibleCount() == 0; }
    int currentPosition() const;        // visible position of the current record, -1 when none
    bool locate(const QByteArray& fieldName, const Value& value, bool ignoreCase = false);

    // --- editing ---------------------------------------------------------------------------
    void append();
    void insert();
    void edit();
    void post();
    // Whether the last post changed the data (for AfterPost): a new record written into after it
    // was started, or an edit that changed a stored value.
    bool lastPostChanged() const { return s_.lastPostChanged; }
    void cancel();
    void deleteRecord();
    // Deletes every visible record in one pass, as deleting the first one that many times would,
    // but without the per-record afterDelete and afterScroll events: the caller does what they
    // would have done. A record being edited or inserted is settled first. Returns the number
    // deleted; nothing is visible afterwards.
    int deleteVisibleRecords();
    void settle();
    void empty();

    // --- filter and sort -------------------------------------------------------------------
    void setFilterText(const QByteArray& text);
    const QByteArray& filterText() const { return s_.filterText; }
    void setFiltered(bool on);
    bool filtered() const { return s_.filtered; }
    void sort(const QByteArray& spec);
    const QByteArray& sortSpec() const { return s_.sortSpec; }

    // --- bound controls --------------------------------------------------------------------
    void addObserver(TableObserver* o);
    void removeObserver(TableObserver* o);
    void suspendRefresh() { ++suspended_; }
    void resumeRefresh();
    bool refreshSuspended() const { return suspended_ > 0; }
    // Changes with every change of the records, their order or the filter: what a cache of
    // values derived from the table compares to know it is still good.
    uint64_t version() const { return version_; }
    // Changes with every change of what the table's stream holds: its fields, its records and their
    // values, status and order (not with the filter or the current record). Stamps are unique among
    // all tables of the process, so equal stamps mean the same table with the same contents: what
    // was written for a stamp can be written again as long as the table keeps it.
    uint64_t contentStamp() const { return contentStamp_; }
    // Changes only when stored records or their order change (added, written, deleted, sorted),
    // not with the filter or the current record: for caches of values computed from the records,
    // which following another horizon must not throw away.
    uint64_t storedVersion() const { return storedVersion_; }
    // Changes with every change of any value, the pending edit's too (and with the view).
    uint64_t valueGeneration() const { return generation_; }
    // A record is being inserted, or edited with a value that differs from the stored one.
    bool pendingChanges() const;
    // Suspends refreshing for a scope; the controls are refreshed once when the last one ends.
    class RefreshSuspension {
    public:
        explicit RefreshSuspension(RecordTable& t) : table_(t) { table_.suspendRefresh(); }
        ~RefreshSuspension() { table_.resumeRefresh(); }
        RefreshSuspension(const RefreshSuspension&) = delete;
        RefreshSuspension& operator=(const RefreshSuspension&) = delete;

    private:
        RecordTable& table_;
    };
    // Brings the current record into view again: recalculates it and refreshes the controls.
    void refresh();

    // --- events ----------------------------------------------------------------------------
    Event onNewRecord, afterInsert, beforePost, afterPost, afterDelete, afterScroll;
    // Sets the calculated fields of the record it is shown (through its fields' setters); it may
    // run while the table is only being read, so it gets the table as const.
    std::function<void(const RecordTable&)> onCalcFields;

    // --- view positions (grids) --------------------------------------------------------------
    // What a grid shows: the visible records in the current order and, while a new record is
    // pending, that record at its place among them (see RowNotice). Reading a position never moves
    // the current record.
    int positionCount() const { return visibleCount() + (pendingPosition() >= 0 ? 1 : 0); }
    int pendingPosition() const; // where the pending new record stands; -1 when there is none
    // The position the current record (or the record being edited or inserted) stands at.
    int currentViewPosition() const;
    Value valueAt(int position, const Field& f) const;
    // The stored row shown at a position; -1 for the pending new record or a position outside.
    int64_t storedRowAt(int position) const;
    // Settles, then makes the given stored row current (as a grid does when the user picks a row,
    // whose position the settling may shift); false when the row is not visible.
    bool moveToStoredRow(uint32_t row);
    // The display or edit text of a field at a position, through the field's text handler, which
    // sees that position's record as the active one.
    QByteArray textAt(int position, Field& f, bool display);

    // --- whole-table access (streams, grids, export) ----------------------------------------
    // Every stored record in the current order, whatever the filter.
    int storedCount() const { return static_cast<int>(s_.order.size()); }
    uint32_t storedRow(int i) const { return s_.order[static_cast<size_t>(i)]; }
    // The visible records in the current order.
    int visibleCount() const { return static_cast<int>(visible().size()); }
    uint32_t visibleRow(int position) const { return visible()[static_cast<size_t>(position)]; }
    // The value of a field in any stored row; calculated and lookup fields are evaluated.
    Value rowValue(uint32_t row, const Field& f) const;
    bool rowIsNull(uint32_t row, const Field& f) const { return col(f).nulls[row] != 0; }
    int32_t rowInteger(uint32_t row, const Field& f) const { return col(f).ints[row]; }
    double rowReal(uint32_t row, const Field& f) const { return col(f).reals[row]; }
    const QByteArray& rowBytes(uint32_t row, const Field& f) const { return col(f).bytesAt(row); }
    uint8_t rowStatus(uint32_t row) const { return s_.rowStatus[row]; }
    // Writes a data field's value of a stored row straight, converted to the field's type, without
    // events: for loaders that settle values in bulk.
    void setRowValue(uint32_t row, const Field& f, const Value& v);
    // What one more stored record costs in memory at least, for loaders that bound what a file may
    // make them allocate (texts and blobs add their own bytes).
    qsizetype estimatedRowBytes() const;
    // Bulk loading without record events: values of the data fields in field order.
    void beginLoad();
    void loadRecord(std::vector<Value>& dataValues, uint8_t status);
    void endLoad();
    // Takes over every stored record of the source, in the source's order, as new unedited records
    // that replace this table's own, when the source's data fields are this table's: the same names
    // (letter case ignored) in the same order, with the same types and sizes. The values move
    // rather than being copied; the source is left closed. A pending edit is settled first; no
    // record or field events run; the last visible record becomes current. Returns false, changing
    // nothing, when the fields differ or this table is not open.
    bool takeOverRecords(RecordTable& source);

    // Everything a table holds apart from its fields and handlers: records, order, filter, sort,
    // current record and pending edit. Restoring one puts the table back exactly as it was, which
    // is how an operation over several tables undoes itself after a failure. Texts and blobs are
    // shared, not copied.
    class Snapshot;
    Snapshot takeSnapshot() const;
    void restoreSnapshot(const Snapshot& s); // the field list must be the one the snapshot was taken with

    // A new table of this table's data fields holding its stored records in their order, with their
    // status (texts and blobs shared, not copied), and the record being edited or inserted as
    // posting it would store it: what a writer on another thread serializes while this table goes
    // on changing.
    std::unique_ptr<RecordTable> storedCopy() const;

    // --- edit journal ------------------------------------------------------------------------
    // Every change of the stored records is recorded in the journal while one is set (see
    // EditJournal); bulk loading is not (beginLoad … endLoad records the rows it adds as one change).
    void setJournal(EditJournal* journal) { journal_ = journal; }
    EditJournal* journal() const { return journal_; }
    // The name of the data field of a column (what a journal step names).
    QByteArray dataFieldName(int slot) const;
    // A new record of a table that must always keep it (the passport's one record) stays when
    // the post that added it is undone: undo puts back the values it started with.
    void setNewRecordsPermanent(bool on) { newRecordsPermanent_ = on; }

    // The value the lookup table gives for a key: the result field of the first visible record
    // whose key field equals it.
    Value lookupValue(const Field& keyField, const Value& key, const Field& resultField) const;

private:
    friend class Field;
    // One data field's values. Texts and blobs are kept as references into a pool whose entry 0
    // is the empty value, so a NULL or empty text costs four bytes rather than a whole QByteArray:
    // passport tables are mostly empty texts.
    // Vectors of a value per row: a contour table has a million rows.
    template <typename T> using RowVector = std::vector<T, LargeAllocator<T>>;
    struct Column {
        ValueClass cls;
        RowVector<int32_t> ints;
        RowVector<double> reals;
        RowVector<uint32_t> refs;
        RowVector<QByteArray> pool{QByteArray()};
        std::vector<uint32_t> freeRefs;
        RowVector<uint8_t> nulls;

        const QByteArray& bytesAt(uint32_t row) const { return pool[refs[row]]; }
        void setBytes(uint32_t row, const QByteArray& v);
        void clearRows();
    };
    struct ActiveRecord {
        const std::vector<Value>* data = nullptr; // pending values of the record being edited
        int64_t row = -1;                          // stored row when there are no pending values
        const std::vector<Value>* calc = nullptr;
    };
    struct SortKey {
        const Field* field = nullptr;
        bool descending = false;
        bool caseInsensitive = false;
    };

    const RowVector<uint32_t>& visible() const { return s_.viewActive ? s_.view : s_.order; }
    const Column& col(const Field& f) const { return s_.columns[static_cast<size_t>(f.slot_)]; }
    int64_t currentRow() const;
    ActiveRecord activeRecord() const;

    Value readField(const Field& f) const;
    Value lookupOf(const Field& lookupField, const Value& key) const;
    void writeField(Field& f, const Value& v);
    Value storedValue(uint32_t row, int slot) const;
    // Whether `v` is what the row holds in the column (storedValue(row, slot) == v, without reading it out).
    bool storedEquals(uint32_t row, int slot, const Value& v) const;
    void storeValue(uint32_t row, int slot, const Value& v);
    uint32_t newRow();
    void checkActive() const;
    void checkCanModify() const;

    void beginNewRecord(bool appending);
    void removeStoredRows();
    void sortOrder();
    bool equalsForLocate(uint32_t row, const Field& f, const Value& target, bool ignoreCase) const;
    void dropPending();
    void forgetWritten(); // no slot of the edit buffer counts as written
    void scrolledTo(int position);
    void recalc();
    void computeCalc(ActiveRecord rec, std::vector<Value>& out) const;
    void notify(TableChange c);
    void notifyRows(RowNotice n);
    void notifyUpdateRecord();
    void fire(const Event& e) { if (e) e(*this); }
    // A change of the records or fields (see contentStamp); the view's own changes are viewChanged.
    void changed();
    void viewChanged();

    // Journal: recording the changes of the stored records and replaying them.
    friend class EditJournal;
    struct RowImage;
    struct StoredImage;
    struct OrderImage;
    bool recording() const;
    void record(JournalOp&& op);
    // Whether the row was added by the action being recorded (its values need no recording).
    bool addedByAction(uint32_t row);
    void journalCell(uint32_t row, int slot, const Value& before, const Value& after, bool evenIfNew = false);
    void journalOrderInsert(bool base, size_t index, uint32_t row);
    void journalOrderErase(bool base, size_t index, uint32_t row);
    void journalRowsCleared(const uint32_t* rows, size_t n);
    void journalDataSwap();
    // Leaves the table without stored rows, order or position; the columns are the caller's.
    void forgetStoredRows();
    void journalOrderSwap();
    std::shared_ptr<RowImage> captureRows(const uint32_t* rows, size_t n) const;
    void clearRow(uint32_t row);
    void beginReplay();
    void replay(JournalOp& op, bool backwards);
    void endReplay(const JournalOp* place);

    bool passes(uint32_t row) const;
    void rebuildView();
    // Puts a stored row into the order and the view; returns its visible position, -1 when the
    // filter hides it.
    int placeRow(uint32_t row, bool isNew);
    void unplaceRow(uint32_t row);
    int compareRows(uint32_t a, uint32_t b) const;
    Value sortValue(uint32_t row) const;

    // Everything a snapshot holds: the records, their order and view, the current record, the
    // pending edit, the filter and the sort. Kept as one value so that taking and restoring a
    // snapshot cannot forget a member.
    struct State {
        std::vector<Column> columns;
        RowVector<uint8_t> rowStatus; // 0 unedited, 1 edited, 2 deleted
        uint32_t rowCount = 0;
        RowVector<uint32_t> order;
        RowVector<uint32_t> baseOrder; // the order of addition, kept while a sort is set
        RowVector<uint32_t> view;
        bool viewActive = false;
        int cur = -1;
        bool eof = true;
        TableState state = TableState::Inactive;
        bool readOnly = false;
        bool modified = false;
        bool appending = false;
        bool pending = false; // editBuf holds the record being edited or inserted
        bool lastPostChanged = false;
        int64_t anchorRow = -1; // the record a new record goes before
        int savedCur = -1;      // the current position before a new record started
        std::vector<Value> editBuf;
        // The slots of editBuf written since the record was taken into editing, each once: a post
        // compares and stores only these, so its cost follows what was typed, not the width.
        std::vector<uint32_t> written;
        std::vector<uint8_t> writtenMark; // per slot
        std::vector<Value> calcBuf;
        QByteArray filterText;
        FilterExpression filter;
        bool filtered = false;
        QByteArray sortSpec;
        SortKey sortKey;
    };

    // Evaluating calculated fields reads the table: these are the scratch values it keeps while
    // it does, so reading stays a const operation.
    struct Evaluation {
        std::optional<ActiveRecord> override; // the record the handlers see, when not the current one
        std::vector<Value>* target = nullptr;  // where the calculated values being computed go
        // Calculated values of the last non-current row asked for (grids read a row field by field).
        std::vector<Value> rowCache;
        int64_t rowCacheRow = -1;
        uint64_t rowCacheGeneration = ~0ull;
    };

    QByteArray name_;
    std::vector<std::unique_ptr<Field>> fields_;
    QHash<QByteArray, int> fieldIndex_; // lower-cased name -> index
    int calcSlots_ = 0;
    State s_;
    mutable Evaluation eval_;

    EditJournal* journal_ = nullptr;
    bool newRecordsPermanent_ = false;
    bool placingUnrecorded_ = false; // placing a permanent new record: its place is not journaled
    std::vector<Value> newDefaults_; // the values the pending new record started with
    int64_t replayCurrent_ = -1; // the current row when a replay began

    std::vector<TableObserver*> observers_;
    int suspended_ = 0;
    bool refreshPending_ = false;
    bool rowResetPending_ = false; // row notices were dropped while suspended
    uint64_t version_ = 0;
    uint64_t contentStamp_;
    uint64_t storedVersion_ = 0;
    // Changes with every change of any value of the table, the pending edit's too: what the cached
    // calculated values of a row compare to. Calculated fields read their own record only.
    uint64_t generation_ = 0;

    // For a filter of one integer term on a big table (the contour points following the current
    // horizon): the rows of each value in the current order, kept until the records or their order
    // change, so following another horizon costs its own points, not a scan of them all.
    struct FilterIndex {
        int slot = -1;
        uint64_t stamp = ~0ull;
        std::unordered_map<int32_t, RowVector<uint32_t>> rows;
    };
    FilterIndex filterIndex_;

    // Lookups into this table: key value -> first visible row, rebuilt after any change.
    mutable std::unordered_map<int64_t, uint32_t> lookupIndex_;
    mutable int lookupIndexField_ = -1;
    mutable uint64_t lookupIndexVersion_ = ~0ull;
};

class RecordTable::Snapshot {
    friend class RecordTable;
    int fieldCount = 0;
    int sortField = -1; // the sort key's field by index: the pointer is the table's own
    State state;
};

} // namespace talvena
