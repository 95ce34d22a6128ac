// The record table's side of the edit journal: recording each change of the stored records and
// replaying it backwards (undo) or forwards (redo).
#include "table/record_table.h"

#include "base/error.h"
#include "table/edit_journal.h"
#include "table/journal_op.h"

#include <algorithm>

namespace talvena {

// Values and statuses of some rows, row i of the image being the i-th row taken.
struct RecordTable::RowImage {
    std::vector<Column> columns;
    RowVector<uint8_t> status;

    size_t bytes() const
    {
        size_t b = status.size();
        for (const Column& c : columns) {
            b += c.ints.size() * 4 + c.reals.size() * 8 + c.refs.size() * 4 + c.nulls.size();
            for (const QByteArray& v : c.pool) b += sizeof(QByteArray) + static_cast<size_t>(v.size());
        }
        return b;
    }
};

// Every stored record with its order and sort: what replacing a whole table swaps.
struct RecordTable::OrderImage {
    RowVector<uint32_t> order, baseOrder;
    QByteArray sortSpec;
    SortKey sortKey;

    // Undoing or redoing the step: the image and the table exchange what the image holds.
    void swapWith(State& s)
    {
        std::swap(order, s.order);
        std::swap(baseOrder, s.baseOrder);
        std::swap(sortSpec, s.sortSpec);
        std::swap(sortKey, s.sortKey);
    }
};

struct RecordTable::StoredImage : OrderImage {
    std::vector<Column> columns;
    RowVector<uint8_t> rowStatus;
    uint32_t rowCount = 0;

    void swapWith(State& s)
    {
        OrderImage::swapWith(s);
        std::swap(columns, s.columns);
        std::swap(rowStatus, s.rowStatus);
        std::swap(rowCount, s.rowCount);
    }
};

namespace {

template <typename Column> void pushCell(Column& to, const Column& from, uint32_t row)
{
    const uint32_t at = static_cast<uint32_t>(to.nulls.size());
    switch (from.cls) {
    case ValueClass::Integer: to.ints.push_back(from.ints[row]); break;
    case ValueClass::Real: to.reals.push_back(from.reals[row]); break;
    case ValueClass::Bytes:
        to.refs.push_back(0);
        to.setBytes(at, from.bytesAt(row));
        break;
    }
    to.nulls.push_back(from.nulls[row]);
}

template <typename Column> void copyCell(Column& to, uint32_t toRow, const Column& from, uint32_t row)
{
    switch (from.cls) {
    case ValueClass::Integer: to.ints[toRow] = from.ints[row]; break;
    case ValueClass::Real: to.reals[toRow] = from.reals[row]; break;
    case ValueClass::Bytes: to.setBytes(toRow, from.bytesAt(row)); break;
    }
    to.nulls[toRow] = from.nulls[row];
}

} // namespace

QByteArray RecordTable::dataFieldName(int slot) const
{
    for (const auto& f : fields_)
        if (f->isData() && f->slot_ == slot) return f->name();
    return {};
}

bool RecordTable::recording() const { return journal_ && journal_->recording(); }

void RecordTable::record(JournalOp&& op)
{
    op.table = this;
    journal_->record(std::move(op));
}

bool RecordTable::addedByAction(uint32_t row) { return row >= journal_->rowsBefore(this, s_.rowCount); }

void RecordTable::journalCell(uint32_t row, int slot, const Value& before, const Value& after, bool evenIfNew)
{
    if (!recording() || before == after || (!evenIfNew && addedByAction(row))) return;
    record({.kind = JournalOp::Kind::Cell, .slot = slot, .row = row, .before = before, .after = after});
}

void RecordTable::journalOrderInsert(bool base, size_t index, uint32_t row)
{
    if (!recording() || placingUnrecorded_) return;
    record({.kind = JournalOp::Kind::OrderInsert, .base = base, .row = static_cast<uint32_t>(index), .rows = {row}});
}

void RecordTable::journalOrderErase(bool base, size_t index, uint32_t row)
{
    if (!recording()) return;
    record({.kind = JournalOp::Kind::OrderErase, .base = base, .rows = {static_cast<uint32_t>(index), row}});
}

std::shared_ptr<RecordTable::RowImage> RecordTable::captureRows(const uint32_t* rows, size_t n) const
{
    auto image = std::make_shared<RowImage>();
    image->columns.resize(s_.columns.size());
    for (size_t c = 0; c < s_.columns.size(); ++c) {
        Column& to = image->columns[c];
        const Column& from = s_.columns[c];
        to.cls = from.cls;
        to.nulls.reserve(n);
        for (size_t i = 0; i < n; ++i) pushCell(to, from, rows[i]);
    }
    image->status.reserve(n);
    for (size_t i = 0; i < n; ++i) image->status.push_back(s_.rowStatus[rows[i]]);
    return image;
}

void RecordTable::journalRowsCleared(const uint32_t* rows, size_t n)
{
    if (!recording() || n == 0) return;
    JournalOp op;
    op.kind = JournalOp::Kind::RowsCleared;
    op.rows.assign(rows, rows + n);
    auto image = captureRows(rows, n);
    op.payloadBytes = image->bytes();
    op.payload = std::move(image);
    record(std::move(op));
}

void RecordTable::journalDataSwap()
{
    if (!recording()) return;
    // The records are about to be replaced: they move into the step rather than being copied,
    // and the table is left without records, for the caller to fill.
    auto image = std::make_shared<StoredImage>();
    const qsizetype bytes = estimatedRowBytes() * static_cast<qsizetype>(s_.rowCount);
    image->columns.resize(s_.columns.size());
    for (size_t c = 0; c < s_.columns.size(); ++c) {
        image->columns[c] = std::move(s_.columns[c]);
        Column empty;
        empty.cls = image->columns[c].cls;
        s_.columns[c] = std::move(empty);
    }
    image->rowStatus = std::move(s_.rowStatus);
    image->rowCount = s_.rowCount;
    image->order = std::move(s_.order);
    image->baseOrder = std::move(s_.baseOrder);
    image->sortSpec = s_.sortSpec;
    image->sortKey = s_.sortKey;
    forgetStoredRows();
    record({.kind = JournalOp::Kind::DataSwap, .payload = std::move(image), .payloadBytes = static_cast<size_t>(bytes)});
}

void RecordTable::journalOrderSwap()
{
    if (!recording()) return;
    auto image = std::make_shared<OrderImage>();
    image->order = s_.order;
    image->baseOrder = s_.baseOrder;
    image->sortSpec = s_.sortSpec;
    image->sortKey = s_.sortKey;
    const size_t bytes = (image->order.size() + image->baseOrder.size()) * sizeof(uint32_t);
    record({.kind = JournalOp::Kind::OrderSwap, .payload = std::move(image), .payloadBytes = bytes});
}

void RecordTable::clearRow(uint32_t row)
{
    s_.rowStatus[row] = 2;
    for (auto& c : s_.columns) {
        if (c.cls == ValueClass::Bytes) c.setBytes(row, QByteArray());
        c.nulls[row] = 1;
    }
}

// --- replay --------------------------------------------------------------------------------------

void RecordTable::beginReplay()
{
    if (s_.state == TableState::Edit || s_.state == TableState::Insert) dropPending();
    replayCurrent_ = currentRow();
}

void RecordTable::replay(JournalOp& op, bool backwards)
{
    using K = JournalOp::Kind;
    ++storedVersion_;
    switch (op.kind) {
    case K::Cell:
        storeValue(op.row, op.slot, backwards ? op.before : op.after);
        break;
    case K::Status:
        s_.rowStatus[op.row] = backwards ? op.statusBefore : op.statusAfter;
        break;
    case K::OrderInsert: {
        auto& v = op.base ? s_.baseOrder : s_.order;
        const auto at = v.begin() + op.row;
        if (backwards) v.erase(at, at + static_cast<ptrdiff_t>(op.rows.size()));
        else v.insert(at, op.rows.begin(), op.rows.end());
        break;
    }
    case K::OrderErase: {
        auto& v = op.base ? s_.baseOrder : s_.order;
        const size_t pairs = op.rows.size() / 2;
        if (pairs == 1) {
            const auto at = v.begin() + op.rows[0];
            if (backwards) v.insert(at, op.rows[1]);
            else v.erase(at);
            break;
        }
        RowVector<uint32_t> out;
        size_t p = 0;
        if (backwards) {
            // Indices count in the vector before the erasing: merge the rows back in at them.
            out.reserve(v.size() + pairs);
            for (size_t i = 0; i < v.size() || p < pairs;) {
                if (p < pairs && op.rows[2 * p] == out.size()) out.push_back(op.rows[2 * p++ + 1]);
                else out.push_back(v[i++]);
            }
        } else {
            out.reserve(v.size() - pairs);
            for (size_t i = 0; i < v.size(); ++i) {
                if (p < pairs && op.rows[2 * p] == i) ++p;
                else out.push_back(v[i]);
            }
        }
        v = std::move(out);
        break;
    }
    case K::RowsAdded: {
        const uint32_t first = op.row;
        if (backwards) {
            // The rows are the last ones: their values go into the step, the rows go.
            std::vector<uint32_t> rows(op.count);
            for (uint32_t i = 0; i < op.count; ++i) rows[i] = first + i;
            auto image = captureRows(rows.data(), rows.size());
            op.payloadBytes = image->bytes();
            op.payload = std::move(image);
            for (Column& c : s_.columns) {
                if (c.cls == ValueClass::Bytes)
                    for (uint32_t r : rows) c.setBytes(r, QByteArray());
                c.ints.resize(std::min<size_t>(c.ints.size(), first));
                c.reals.resize(std::min<size_t>(c.reals.size(), first));
                c.refs.resize(std::min<size_t>(c.refs.size(), first));
                c.nulls.resize(first);
            }
            s_.rowStatus.resize(first);
            s_.rowCount = first;
        } else {
            const auto& image = *std::static_pointer_cast<RowImage>(op.payload);
            for (size_t c = 0; c < s_.columns.size(); ++c)
                for (uint32_t i = 0; i < op.count; ++i) pushCell(s_.columns[c], image.columns[c], i);
            s_.rowStatus.insert(s_.rowStatus.end(), image.status.begin(), image.status.end());
            s_.rowCount += op.count;
            op.payload.reset();
            op.payloadBytes = 0;
        }
        break;
    }
    case K::RowsCleared:
        if (backwards) {
            const auto& image = *std::static_pointer_cast<RowImage>(op.payload);
            for (size_t i = 0; i < op.rows.size(); ++i) {
                for (size_t c = 0; c < s_.columns.size(); ++c)
                    copyCell(s_.columns[c], op.rows[i], image.columns[c], static_cast<uint32_t>(i));
                s_.rowStatus[op.rows[i]] = image.status[i];
            }
        } else {
            for (uint32_t row : op.rows) clearRow(row);
        }
        break;
    case K::OrderSwap: std::static_pointer_cast<OrderImage>(op.payload)->swapWith(s_); break;
    case K::DataSwap: std::static_pointer_cast<StoredImage>(op.payload)->swapWith(s_); break;
    }
}

void RecordTable::endReplay(const JournalOp* place)
{
    changed();
    if (!active()) return;
    rebuildView();
    // The change's own row when it is shown, else the row that was current, else the nearest.
    const auto& vis = visible();
    auto positionOf = [&](int64_t row) -> int {
        if (row < 0) return -1;
        const auto it = std::find(vis.begin(), vis.end(), static_cast<uint32_t>(row));
        return it == vis.end() ? -1 : static_cast<int>(it - vis.begin());
    };
    int64_t placeRow = -1;
    if (place) {
        if (place->kind == JournalOp::Kind::Cell || place->kind == JournalOp::Kind::Status) placeRow = place->row;
        else if (place->kind == JournalOp::Kind::RowsCleared && !place->rows.empty()) placeRow = place->rows.front();
        else if (place->kind == JournalOp::Kind::OrderInsert && !place->rows.empty()) placeRow = place->rows.front();
        else if (place->kind == JournalOp::Kind::OrderErase && place->rows.size() >= 2) placeRow = place->rows[1];
    }
    int pos = positionOf(placeRow);
    if (pos < 0) pos = positionOf(replayCurrent_);
    if (pos < 0) pos = std::min(std::max(s_.cur, 0), static_cast<int>(vis.size()) - 1);
    s_.cur = pos;
    s_.eof = vis.empty();
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

} // namespace talvena
