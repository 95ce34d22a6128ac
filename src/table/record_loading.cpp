// Bulk loading, taking over another table's records, and snapshots.
#include "table/record_table.h"

#include "base/error.h"
#include "table/edit_journal.h"
#include "table/journal_op.h"
#include "table/record_table_detail.h"

#include <algorithm>

namespace talvena {

using namespace record_table_detail;

// --- bulk loading --------------------------------------------------------------------------

void RecordTable::beginLoad()
{
    changed(); // and endLoad again, after the records loadRecord adds in between
    if (!active()) s_.state = TableState::Browse;
    dropPending();
    suspendRefresh();
}

void RecordTable::loadRecord(std::vector<Value>& dataValues, uint8_t status)
{
    const uint32_t row = newRow();
    if (recording()) {
        JournalOp op;
        op.kind = JournalOp::Kind::RowsAdded;
        op.row = row;
        op.count = 1;
        record(std::move(op));
    }
    size_t i = 0;
    for (const auto& f : fields_) {
        if (!f->isData()) continue;
        if (i < dataValues.size()) storeValue(row, f->slot_, f->coerce(dataValues[i]));
        ++i;
    }
    s_.rowStatus[row] = status == 1 ? 1 : 0;
    journalOrderInsert(false, s_.order.size(), row);
    s_.order.push_back(row);
    if (s_.sortKey.field) {
        journalOrderInsert(true, s_.baseOrder.size(), row);
        s_.baseOrder.push_back(row);
    }
}

void RecordTable::endLoad()
{
    changed();
    if (s_.sortKey.field) journalOrderSwap();
    sortOrder();
    rebuildView();
    s_.cur = visibleCount() > 0 ? 0 : -1;
    s_.eof = s_.cur < 0;
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
    resumeRefresh();
}

bool RecordTable::takeOverRecords(RecordTable& source)
{
    if (!active() || &source == this) return false;
    std::vector<const Field*> mine, theirs;
    for (const auto& f : fields_)
        if (f->isData()) mine.push_back(f.get());
    for (const auto& f : source.fields_)
        if (f->isData()) theirs.push_back(f.get());
    if (mine.size() != theirs.size()) return false;
    for (size_t i = 0; i < mine.size(); ++i) {
        const Field& a = *mine[i];
        const Field& b = *theirs[i];
        if (a.name().compare(b.name(), Qt::CaseInsensitive) != 0 || a.type() != b.type() || a.size() != b.size())
            return false;
    }
    checkCanModify();
    settle();
    dropPending();
    const EditJournal::Action step(journal_, QStringLiteral("Замена записей"));
    journalDataSwap();

    // Column i of either table belongs to its i-th data field.
    for (size_t i = 0; i < s_.columns.size(); ++i) {
        s_.columns[i] = std::move(source.s_.columns[i]);
        Column empty;
        empty.cls = s_.columns[i].cls;
        source.s_.columns[i] = std::move(empty);
    }
    s_.rowCount = std::exchange(source.s_.rowCount, 0);
    s_.rowStatus = std::move(source.s_.rowStatus);
    for (uint8_t& status : s_.rowStatus)
        if (status != 2) status = 0; // each record arrives as a new one
    s_.order = std::move(source.s_.order);
    s_.baseOrder.clear();
    if (s_.sortKey.field) {
        s_.baseOrder = s_.order;
        sortOrder();
    }
    source.s_.rowStatus.clear();
    source.s_.order.clear();
    source.s_.baseOrder.clear();
    source.close();

    changed();
    rebuildView();
    s_.cur = visibleCount() - 1;
    s_.eof = visibleCount() == 0;
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
    return true;
}

// --- snapshots -----------------------------------------------------------------------------

RecordTable::Snapshot RecordTable::takeSnapshot() const
{
    Snapshot s;
    s.fieldCount = fieldCount();
    s.sortField = s_.sortKey.field ? s_.sortKey.field->index() : -1;
    s.state = s_;
    return s;
}

void RecordTable::restoreSnapshot(const Snapshot& s)
{
    if (s.fieldCount != fieldCount() || s.state.columns.size() != s_.columns.size())
        throw Error("The table's fields changed since its snapshot was taken");
    journalDataSwap();
    s_ = s.state;
    s_.sortKey.field = s.sortField < 0 ? nullptr : &field(s.sortField);
    ++storedVersion_;
    changed();
    notifyRows({RowChange::Reset});
    notify(TableChange::State);
    notify(TableChange::Data);
}

bool RecordTable::pendingChanges() const
{
    if (!s_.pending || !s_.modified) return false;
    if (s_.state == TableState::Insert) return true;
    const int64_t row = currentRow();
    if (s_.state != TableState::Edit || row < 0) return false;
    for (size_t c = 0; c < s_.columns.size(); ++c)
        if (!(storedValue(uint32_t(row), int(c)) == s_.editBuf[c])) return true;
    return false;
}

std::unique_ptr<RecordTable> RecordTable::storedCopy() const
{
    auto copy = std::make_unique<RecordTable>(name_);
    for (const auto& f : fields_) {
        if (!f->isData()) continue;
        FieldDef def;
        def.name = f->name();
        def.type = f->type();
        def.size = f->size();
        def.kind = f->kind();
        def.required = f->required();
        def.objectName = f->objectName();
        copy->addField(std::move(def));
    }
    State& s = copy->s_;
    s.columns = s_.columns;
    s.rowStatus = s_.rowStatus;
    s.rowCount = s_.rowCount;
    s.order = s_.order;
    // The record being edited or inserted, as posting it would store it (without the handlers a
    // post runs): typing not yet posted is work too.
    if (s_.pending && (s_.state == TableState::Edit || s_.state == TableState::Insert)) {
        const bool inserting = s_.state == TableState::Insert;
        const int64_t edited = inserting ? -1 : currentRow();
        if (inserting && s_.modified) {
            const uint32_t row = copy->newRow();
            for (size_t c = 0; c < s_.columns.size(); ++c) copy->storeValue(row, int(c), s_.editBuf[c]);
            auto at = s.order.end();
            if (!s_.appending && s_.anchorRow >= 0) at = std::find(s.order.begin(), s.order.end(), uint32_t(s_.anchorRow));
            s.order.insert(at, row);
        } else if (edited >= 0) {
            const auto row = uint32_t(edited);
            for (size_t c = 0; c < s_.columns.size(); ++c) copy->storeValue(row, int(c), s_.editBuf[c]);
            if (s_.modified) s.rowStatus[row] = 1;
        }
    }
    if (s_.state != TableState::Inactive) {
        s.state = TableState::Browse;
        s.cur = s.order.empty() ? -1 : 0;
        s.eof = s.order.empty();
    }
    copy->changed();
    return copy;
}

} // namespace talvena
