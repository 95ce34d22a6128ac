// Editing: new records, edits, posting, cancelling and deleting.
#include "table/record_table.h"

#include "base/error.h"
#include "table/edit_journal.h"
#include "table/journal_op.h"
#include "table/record_table_detail.h"

#include <algorithm>

namespace talvena {

using namespace record_table_detail;

// --- editing -------------------------------------------------------------------------------

void RecordTable::forgetWritten()
{
    for (uint32_t s : s_.written) s_.writtenMark[s] = 0;
    s_.written.clear();
}

void RecordTable::dropPending()
{
    s_.pending = false;
    s_.modified = false;
    for (auto& v : s_.editBuf) v = Value();
    forgetWritten();
    if (s_.state == TableState::Edit || s_.state == TableState::Insert) s_.state = TableState::Browse;
}

void RecordTable::beginNewRecord(bool appending)
{
    checkActive();
    settle();
    checkCanModify();
    s_.savedCur = s_.cur;
    s_.anchorRow = appending ? -1 : currentRow();
    s_.appending = s_.anchorRow < 0;
    if (s_.appending) s_.cur = visibleCount();
    for (auto& v : s_.editBuf) v = Value();
    forgetWritten();
    s_.pending = true;
    s_.state = TableState::Insert;
    s_.eof = false;
    recalc();
    notifyRows({RowChange::PendingAdded, s_.cur});
    notify(TableChange::State);
    fire(onNewRecord);
    s_.modified = false;
    fire(afterInsert);
    newDefaults_ = s_.editBuf;
    fire(afterScroll);
}

void RecordTable::append() { beginNewRecord(true); }
void RecordTable::insert() { beginNewRecord(false); }

void RecordTable::edit()
{
    checkActive();
    if (s_.state == TableState::Edit || s_.state == TableState::Insert) return;
    if (visibleCount() == 0) {
        insert();
        return;
    }
    checkCanModify();
    const uint32_t row = visibleRow(s_.cur < 0 ? 0 : s_.cur);
    for (size_t s = 0; s < s_.columns.size(); ++s) s_.editBuf[s] = storedValue(row, static_cast<int>(s));
    forgetWritten();
    s_.pending = true;
    s_.modified = false;
    s_.state = TableState::Edit;
    notifyRows({RowChange::Changed, s_.cur});
    notify(TableChange::State);
}

void RecordTable::post()
{
    checkActive();
    if (s_.state != TableState::Edit && s_.state != TableState::Insert) return;
    notifyUpdateRecord();
    // The post, and whatever its handlers change, is one step unless an action holds it.
    const EditJournal::Action step(journal_, s_.state == TableState::Insert ? QStringLiteral("Добавление записи")
                                                                            : QStringLiteral("Изменение записи"));
    fire(beforePost);
    for (const auto& f : fields_)
        if (f->isData() && f->required() && s_.editBuf[static_cast<size_t>(f->slot_)].isNull())
            throw Error(formatMessage("Field '%s' must have a value", {f->name().toStdString()}));

    // A new record is a change when something was written into it after it was started (its
    // defaults alone are none); an edit is one when a stored value differs.
    s_.lastPostChanged = s_.state == TableState::Insert && s_.modified;
    const int from = s_.cur;
    int to = from;
    bool wasNew = false;
    int64_t posted = -1;
    if (s_.state == TableState::Insert) {
        wasNew = true;
        const uint32_t row = newRow();
        posted = row;
        if (recording() && newRecordsPermanent_) {
            // The record stays on undo; its values go back to those it started with.
            for (size_t s = 0; s < s_.columns.size(); ++s)
                journalCell(row, static_cast<int>(s), s < newDefaults_.size() ? newDefaults_[s] : Value(),
                            s_.editBuf[s], true);
        } else if (recording()) {
            JournalOp op;
            op.kind = JournalOp::Kind::RowsAdded;
            op.row = row;
            op.count = 1;
            record(std::move(op));
        }
        for (size_t s = 0; s < s_.columns.size(); ++s) storeValue(row, static_cast<int>(s), s_.editBuf[s]);
        placingUnrecorded_ = newRecordsPermanent_;
        to = placeRow(row, true);
        placingUnrecorded_ = false;
    } else {
        const auto row = static_cast<uint32_t>(currentRow());
        posted = row;
        // Only written values can differ from the stored ones (nothing stores into a record while
        // it is edited); they are compared where they are stored and a changed one is read out for
        // the journal. Slots in order keep the journal's changes in column order.
        std::sort(s_.written.begin(), s_.written.end());
        const bool journal = recording();
        for (uint32_t w : s_.written) {
            const int s = static_cast<int>(w);
            if (storedEquals(row, s, s_.editBuf[w])) continue;
            s_.lastPostChanged = true;
            if (journal) journalCell(row, s, storedValue(row, s), s_.editBuf[w]);
            storeValue(row, s, s_.editBuf[w]);
        }
        if (s_.modified && s_.rowStatus[row] != 1) {
            if (recording() && !addedByAction(row)) {
                JournalOp op;
                op.kind = JournalOp::Kind::Status;
                op.row = row;
                op.statusBefore = s_.rowStatus[row];
                op.statusAfter = 1;
                record(std::move(op));
            }
            s_.rowStatus[row] = 1;
        }
        if (s_.sortKey.field) {
            unplaceRow(row);
            to = placeRow(row, false);
        } else if (s_.viewActive && !passes(row)) {
            s_.view.erase(s_.view.begin() + s_.cur);
            to = -1;
        }
    }
    if (s_.cur >= visibleCount()) s_.cur = visibleCount() - 1;
    s_.eof = false;
    dropPending();
    changed();
    recalc();
    if (to == from) {
        notifyRows({RowChange::Changed, from});
    } else if (wasNew && to < 0) {
        notifyRows({RowChange::PendingDropped, from, -1, posted});
    } else if (wasNew) {
        // The new record takes its place in the sort: the row moves there and shows stored values.
        notifyRows({RowChange::Moved, from, to});
        notifyRows({RowChange::Changed, to});
    } else {
        notifyRows(to >= 0 ? RowNotice{RowChange::Moved, from, to} : RowNotice{RowChange::Removed, from, -1, posted});
    }
    notify(TableChange::State);
    notify(TableChange::Data);
    fire(afterPost);
}

void RecordTable::cancel()
{
    checkActive();
    if (s_.state != TableState::Edit && s_.state != TableState::Insert) return;
    const bool wasInsert = s_.state == TableState::Insert;
    const int position = s_.cur;
    dropPending();
    if (wasInsert) s_.cur = std::min(s_.savedCur, visibleCount() - 1);
    recalc();
    notifyRows({wasInsert ? RowChange::PendingDropped : RowChange::Changed, position});
    notify(TableChange::State);
    notify(TableChange::Data);
    if (wasInsert) fire(afterScroll);
}

void RecordTable::settle()
{
    if (s_.state != TableState::Edit && s_.state != TableState::Insert) return;
    notifyUpdateRecord();
    if (s_.modified) post();
    else cancel();
}

void RecordTable::deleteRecord()
{
    checkActive();
    if (s_.state == TableState::Insert) {
        cancel();
        return;
    }
    checkCanModify();
    if (visibleCount() == 0 || s_.cur < 0) throw Error("Cannot perform this operation on an empty dataset");
    dropPending();
    const auto row = static_cast<uint32_t>(currentRow());
    const int position = s_.cur;
    const EditJournal::Action step(journal_, QStringLiteral("Удаление записи"));
    unplaceRow(row);
    journalRowsCleared(&row, 1);
    s_.rowStatus[row] = 2;
    ++storedVersion_;
    for (auto& c : s_.columns) {
        if (c.cls == ValueClass::Bytes) c.setBytes(row, QByteArray());
        c.nulls[row] = 1;
    }
    if (s_.cur >= visibleCount()) s_.cur = visibleCount() - 1;
    s_.eof = visibleCount() == 0;
    changed();
    recalc();
    notifyRows({RowChange::Removed, position, -1, row});
    notify(TableChange::Data);
    fire(afterDelete);
    fire(afterScroll);
}

int RecordTable::deleteVisibleRecords()
{
    checkActive();
    settle();
    checkCanModify();
    const RowVector<uint32_t> doomed = visible();
    if (doomed.empty()) return 0;
    const EditJournal::Action step(journal_, QStringLiteral("Удаление записей"));
    journalRowsCleared(doomed.data(), doomed.size());
    for (uint32_t row : doomed) {
        s_.rowStatus[row] = 2;
        for (auto& c : s_.columns) {
            if (c.cls == ValueClass::Bytes) c.setBytes(row, QByteArray());
            c.nulls[row] = 1;
        }
    }
    auto gone = [this](uint32_t row) { return s_.rowStatus[row] == 2; };
    if (recording()) {
        for (bool base : {false, true}) {
            const auto& v = base ? s_.baseOrder : s_.order;
            JournalOp op;
            op.kind = JournalOp::Kind::OrderErase;
            op.base = base;
            for (size_t i = 0; i < v.size(); ++i)
                if (gone(v[i])) op.rows.insert(op.rows.end(), {static_cast<uint32_t>(i), v[i]});
            if (!op.rows.empty()) record(std::move(op));
        }
    }
    std::erase_if(s_.order, gone);
    std::erase_if(s_.baseOrder, gone);
    s_.view.clear();
    s_.cur = -1;
    s_.eof = true;
    ++storedVersion_;
    changed();
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
    return static_cast<int>(doomed.size());
}

void RecordTable::empty()
{
    checkActive();
    checkCanModify();
    dropPending();
    const EditJournal::Action step(journal_, QStringLiteral("Удаление записей"));
    removeStoredRows();
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

} // namespace talvena
