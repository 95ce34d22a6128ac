#include "table/record_table.h"

#include "base/error.h"
#include "table/collation.h"
#include "table/number_text.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

namespace talvena {

namespace {

// Bumped by every change of any table: calculated values of other rows may depend on other tables.
uint64_t g_generation = 0;

// Content stamps are handed out once each, whatever table and thread asks.
std::atomic<uint64_t> g_lastContentStamp{0};
uint64_t newContentStamp() { return g_lastContentStamp.fetch_add(1, std::memory_order_relaxed) + 1; }

[[noreturn]] void fieldNotFound(const QByteArray& name)
{
    throw Error(formatMessage("Field '%s' not found", {name.toStdString()}));
}

[[noreturn]] void cannotModifyField(const Field& f)
{
    throw Error(formatMessage("Field '%s' cannot be modified", {f.name().toStdString()}));
}

// A lookup value takes the lookup field's type and size (a longer name is cut to the width).
Value fitLookupValue(const Field& f, const Value& v)
{
    try {
        return f.coerce(v);
    } catch (const Error&) {
        return v;
    }
}

int compareValues(const Value& a, const Value& b, bool ignoreCase)
{
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (a.isBytes() && b.isBytes()) return compareText(a.bytesValue(), b.bytesValue(), ignoreCase);
    auto num = [](const Value& v) {
        return v.isInteger() ? static_cast<double>(v.integerValue()) : v.isReal() ? v.realValue() : 0.0;
    };
    const double x = num(a), y = num(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

RecordTable::RecordTable(QByteArray name) : name_(std::move(name)), contentStamp_(newContentStamp()) {}
RecordTable::~RecordTable() = default;

void RecordTable::changed()
{
    viewChanged();
    contentStamp_ = newContentStamp();
}

void RecordTable::viewChanged()
{
    ++version_;
    ++g_generation;
}

// --- fields ---------------------------------------------------------------------------------

Field& RecordTable::addField(FieldDef def)
{
    if (findField(def.name)) throw Error(formatMessage("Duplicate field name '%s'", {def.name.toStdString()}));
    auto f = std::make_unique<Field>(*this, def, fieldCount());
    if (f->isData()) {
        f->slot_ = static_cast<int>(columns_.size());
        Column c;
        c.cls = f->valueClass();
        switch (c.cls) {
        case ValueClass::Integer: c.ints.resize(rowCount_); break;
        case ValueClass::Real: c.reals.resize(rowCount_); break;
        case ValueClass::Bytes: c.refs.resize(rowCount_); break;
        }
        c.nulls.assign(rowCount_, 1);
        columns_.push_back(std::move(c));
        editBuf_.resize(columns_.size());
    } else if (f->kind() == FieldKind::Calculated) {
        f->slot_ = calcSlots_++;
        calcBuf_.resize(static_cast<size_t>(calcSlots_));
    }
    fieldIndex_[def.name] = fieldCount();
    fieldIndex_[def.name.toLower()] = fieldCount();
    fields_.push_back(std::move(f));
    changed();
    return *fields_.back();
}

Field& RecordTable::addField(const QByteArray& name, FieldType type, int size, bool required)
{
    FieldDef d;
    d.name = name;
    d.type = type;
    d.size = size;
    d.required = required;
    return addField(std::move(d));
}

void RecordTable::clearFields()
{
    close();
    fields_.clear();
    fieldIndex_.clear();
    columns_.clear();
    editBuf_.clear();
    calcBuf_.clear();
    calcSlots_ = 0;
    sortSpec_.clear();
    sortKey_ = {};
    changed();
    notify(TableChange::Layout);
}

Field* RecordTable::findField(const QByteArray& name) const
{
    // Names are nearly always written as defined: try that before folding the letter case.
    int i = fieldIndex_.value(name, -1);
    if (i < 0) i = fieldIndex_.value(name.toLower(), -1);
    return i < 0 ? nullptr : fields_[static_cast<size_t>(i)].get();
}

Field& RecordTable::fieldByName(const QByteArray& name) const
{
    Field* f = findField(name);
    if (!f) fieldNotFound(name);
    return *f;
}

Field* RecordTable::findFieldByObjectName(const QByteArray& objectName) const
{
    for (const auto& f : fields_)
        if (f->objectName().compare(objectName, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

// --- lifecycle --------------------------------------------------------------------------------

void RecordTable::open()
{
    if (active()) return;
    state_ = TableState::Browse;
    rebuildView();
    notifyRows({RowChange::Reset});
    notify(TableChange::State);
    if (visibleCount() > 0) scrolledTo(0);
}

void RecordTable::removeStoredRows()
{
    ++storedVersion_;
    for (auto& c : columns_) c.clearRows();
    rowStatus_.clear();
    rowCount_ = 0;
    order_.clear();
    baseOrder_.clear();
    view_.clear();
    cur_ = -1;
    eof_ = true;
    changed();
}

void RecordTable::close()
{
    if (!active()) return;
    dropPending();
    state_ = TableState::Inactive;
    removeStoredRows();
    notifyRows({RowChange::Reset});
    notify(TableChange::State);
}

void RecordTable::checkActive() const
{
    if (!active()) throw Error("Cannot perform this operation on a closed dataset");
}

void RecordTable::checkCanModify() const
{
    if (readOnly_) throw Error("Cannot modify a read-only dataset");
}

// --- reading and writing values ------------------------------------------------------------

int64_t RecordTable::currentRow() const
{
    if (cur_ < 0 || cur_ >= visibleCount()) return -1;
    return visibleRow(cur_);
}

int RecordTable::currentPosition() const { return cur_ < visibleCount() ? cur_ : -1; }

RecordTable::ActiveRecord RecordTable::activeRecord() const
{
    if (override_) return *override_;
    ActiveRecord a;
    a.calc = const_cast<std::vector<Value>*>(&calcBuf_);
    if (pending_) a.data = &editBuf_;
    else a.row = currentRow();
    return a;
}

Value RecordTable::storedValue(uint32_t row, int slot) const
{
    const Column& c = columns_[static_cast<size_t>(slot)];
    if (c.nulls[row]) return {};
    switch (c.cls) {
    case ValueClass::Integer: return Value::integer(c.ints[row]);
    case ValueClass::Real: return Value::real(c.reals[row]);
    case ValueClass::Bytes: return Value::bytes(c.bytesAt(row));
    }
    return {};
}

void RecordTable::storeValue(uint32_t row, int slot, const Value& v)
{
    ++storedVersion_;
    Column& c = columns_[static_cast<size_t>(slot)];
    c.nulls[row] = v.isNull() ? 1 : 0;
    switch (c.cls) {
    case ValueClass::Integer: c.ints[row] = v.isNull() ? 0 : static_cast<int32_t>(v.integerValue()); break;
    case ValueClass::Real: c.reals[row] = v.isNull() ? 0.0 : v.realValue(); break;
    case ValueClass::Bytes: c.setBytes(row, v.isNull() ? QByteArray() : v.bytesValue()); break;
    }
}

void RecordTable::setRowValue(uint32_t row, const Field& f, const Value& v)
{
    if (!f.isData() || &f.table() != this || row >= rowCount_) return;
    storeValue(row, f.slot_, f.coerce(v));
    changed();
}

void RecordTable::Column::setBytes(uint32_t row, const QByteArray& v)
{
    uint32_t& ref = refs[row];
    if (v.isEmpty()) {
        if (ref != 0) {
            pool[ref] = QByteArray();
            freeRefs.push_back(ref);
            ref = 0;
        }
        return;
    }
    if (ref == 0) {
        if (!freeRefs.empty()) {
            ref = freeRefs.back();
            freeRefs.pop_back();
        } else {
            ref = static_cast<uint32_t>(pool.size());
            pool.emplace_back();
        }
    }
    pool[ref] = v;
}

void RecordTable::Column::clearRows()
{
    ints.clear();
    reals.clear();
    refs.clear();
    pool.assign(1, QByteArray());
    freeRefs.clear();
    nulls.clear();
}

qsizetype RecordTable::estimatedRowBytes() const
{
    // Status, place in the order and in the order of addition, place in the filtered view.
    qsizetype bytes = 1 + 3 * sizeof(uint32_t);
    for (const Column& c : columns_) {
        bytes += 1; // NULL flag
        switch (c.cls) {
        case ValueClass::Integer: bytes += sizeof(int32_t); break;
        case ValueClass::Real: bytes += sizeof(double); break;
        case ValueClass::Bytes: bytes += sizeof(uint32_t); break;
        }
    }
    return bytes;
}

uint32_t RecordTable::newRow()
{
    ++storedVersion_;
    for (auto& c : columns_) {
        switch (c.cls) {
        case ValueClass::Integer: c.ints.push_back(0); break;
        case ValueClass::Real: c.reals.push_back(0.0); break;
        case ValueClass::Bytes: c.refs.push_back(0); break;
        }
        c.nulls.push_back(1);
    }
    rowStatus_.push_back(0);
    return rowCount_++;
}

Value RecordTable::lookupOf(const Field& f, const Value& key) const
{
    const LookupDef& l = f.lookup();
    if (!l.table) return {};
    const Field* tableKey = l.table->findField(l.tableKeyField);
    const Field* result = l.table->findField(l.resultField);
    if (!tableKey || !result) return {};
    return fitLookupValue(f, l.table->lookupValue(*tableKey, key, *result));
}

Value RecordTable::readField(const Field& f) const
{
    switch (f.kind()) {
    case FieldKind::Calculated: {
        const ActiveRecord a = activeRecord();
        return a.calc ? (*a.calc)[static_cast<size_t>(f.slot_)] : Value();
    }
    case FieldKind::Lookup: {
        const Field* key = findField(f.lookup().keyField);
        return key ? lookupOf(f, readField(*key)) : Value();
    }
    default: {
        const ActiveRecord a = activeRecord();
        if (a.data) return (*a.data)[static_cast<size_t>(f.slot_)];
        if (a.row >= 0) return storedValue(static_cast<uint32_t>(a.row), f.slot_);
        return {};
    }
    }
}

void RecordTable::writeField(Field& f, const Value& v)
{
    if (state_ == TableState::Calculating) {
        if (f.kind() != FieldKind::Calculated) cannotModifyField(f);
        (*activeRecord().calc)[static_cast<size_t>(f.slot_)] = f.coerce(v);
        return;
    }
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        throw Error("Dataset not in edit or insert mode");
    checkCanModify();
    if (!f.isData()) cannotModifyField(f);
    Value& cell = editBuf_[static_cast<size_t>(f.slot_)];
    Value old = std::exchange(cell, f.coerce(v));
    if (f.onValidate) {
        try {
            f.onValidate(f);
        } catch (...) {
            editBuf_[static_cast<size_t>(f.slot_)] = std::move(old);
            throw;
        }
    }
    modified_ = true;
    ++g_generation;
    recalc();
    if (f.onChange) f.onChange(f);
    notifyRows({RowChange::Changed, cur_});
    notify(TableChange::Data);
}

Value RecordTable::rowValue(uint32_t row, const Field& f) const
{
    switch (f.kind()) {
    case FieldKind::Calculated: {
        if (!pending_ && !override_ && static_cast<int64_t>(row) == currentRow())
            return calcBuf_[static_cast<size_t>(f.slot_)];
        if (rowCalcCacheRow_ != static_cast<int64_t>(row) || rowCalcCacheGeneration_ != g_generation) {
            ActiveRecord rec;
            rec.row = row;
            auto* self = const_cast<RecordTable*>(this);
            self->computeCalc(rec, rowCalcCache_);
            rowCalcCacheRow_ = row;
            rowCalcCacheGeneration_ = g_generation;
        }
        return rowCalcCache_[static_cast<size_t>(f.slot_)];
    }
    case FieldKind::Lookup: {
        const Field* key = findField(f.lookup().keyField);
        return key ? lookupOf(f, rowValue(row, *key)) : Value();
    }
    default:
        return storedValue(row, f.slot_);
    }
}

Value RecordTable::lookupValue(const Field& keyField, const Value& key, const Field& resultField) const
{
    if (key.isNull() || !active()) return {};
    if (keyField.valueClass() == ValueClass::Integer && keyField.isData() && !key.isBytes()) {
        if (lookupIndexField_ != keyField.index() || lookupIndexVersion_ != version_) {
            lookupIndex_.clear();
            const Column& c = col(keyField);
            for (uint32_t row : visible())
                if (!c.nulls[row]) lookupIndex_.emplace(c.ints[row], row);
            lookupIndexField_ = keyField.index();
            lookupIndexVersion_ = version_;
        }
        const int64_t k = key.isInteger() ? key.integerValue() : std::llround(key.realValue());
        auto it = lookupIndex_.find(k);
        return it == lookupIndex_.end() ? Value() : rowValue(it->second, resultField);
    }
    for (uint32_t row : visible())
        if (compareValues(rowValue(row, keyField), key, false) == 0) return rowValue(row, resultField);
    return {};
}

// --- calculated fields and notifications -------------------------------------------------

void RecordTable::computeCalc(ActiveRecord rec, std::vector<Value>& out)
{
    out.assign(static_cast<size_t>(calcSlots_), Value());
    if (!onCalcFields || calcSlots_ == 0) return;
    if (!rec.data && rec.row < 0) return;
    rec.calc = &out;
    const std::optional<ActiveRecord> saved = override_;
    override_ = rec;
    const TableState savedState = state_;
    state_ = TableState::Calculating;
    try {
        onCalcFields(*this);
    } catch (...) {
        state_ = savedState;
        override_ = saved;
        throw;
    }
    state_ = savedState;
    override_ = saved;
}

void RecordTable::recalc()
{
    if (calcSlots_ == 0) return;
    ActiveRecord rec;
    if (pending_) rec.data = &editBuf_;
    else rec.row = currentRow();
    computeCalc(rec, calcBuf_);
}

void RecordTable::notify(TableChange c)
{
    if (suspended_ > 0) {
        refreshPending_ = true;
        return;
    }
    const auto observers = observers_;
    for (TableObserver* o : observers) o->tableChanged(*this, c);
}

void RecordTable::notifyRows(RowNotice n)
{
    if (suspended_ > 0) {
        rowResetPending_ = true;
        return;
    }
    const auto observers = observers_;
    for (TableObserver* o : observers) o->rowsChanged(*this, n);
}

void RecordTable::notifyUpdateRecord()
{
    const auto observers = observers_;
    for (TableObserver* o : observers) o->updateRecord(*this);
}

void RecordTable::addObserver(TableObserver* o)
{
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void RecordTable::removeObserver(TableObserver* o)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void RecordTable::resumeRefresh()
{
    if (suspended_ == 0 || --suspended_ > 0) return;
    if (rowResetPending_) {
        rowResetPending_ = false;
        notifyRows({RowChange::Reset});
    }
    if (!refreshPending_) return;
    refreshPending_ = false;
    notify(TableChange::Data);
}

void RecordTable::refresh()
{
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

// --- navigation ----------------------------------------------------------------------------

void RecordTable::scrolledTo(int position)
{
    cur_ = position;
    eof_ = position < 0;
    recalc();
    notify(TableChange::Scroll);
    if (position >= 0) fire(afterScroll);
}

void RecordTable::first()
{
    checkActive();
    settle();
    scrolledTo(visibleCount() > 0 ? 0 : -1);
}

void RecordTable::next()
{
    checkActive();
    settle();
    if (cur_ + 1 < visibleCount()) scrolledTo(cur_ + 1);
    else eof_ = true;
}

void RecordTable::prior()
{
    checkActive();
    settle();
    if (cur_ > 0 && cur_ <= visibleCount()) scrolledTo(std::min(cur_, visibleCount()) - 1);
}

void RecordTable::last()
{
    checkActive();
    settle();
    if (visibleCount() > 0) scrolledTo(visibleCount() - 1);
}

void RecordTable::moveTo(int position)
{
    checkActive();
    settle();
    if (position >= 0 && position < visibleCount() && position != cur_) scrolledTo(position);
}

bool RecordTable::equalsForLocate(uint32_t row, const Field& f, const Value& target, bool ignoreCase) const
{
    if (!f.isData()) return compareValues(rowValue(row, f), target, ignoreCase) == 0 && !target.isNull();
    const Column& c = col(f);
    if (c.nulls[row]) return target.isNull();
    if (target.isNull()) return false;
    switch (c.cls) {
    case ValueClass::Integer: return c.ints[row] == target.integerValue();
    case ValueClass::Real: return c.reals[row] == target.realValue();
    case ValueClass::Bytes:
        return ignoreCase ? compareText(c.bytesAt(row), target.bytesValue(), true) == 0
                          : c.bytesAt(row) == target.bytesValue();
    }
    return false;
}

bool RecordTable::locate(const QByteArray& fieldName, const Value& value, bool ignoreCase)
{
    checkActive();
    settle();
    const Field& f = fieldByName(fieldName);
    Value target;
    try {
        target = f.coerce(value);
    } catch (const Error&) {
        return false;
    }
    const auto& vis = visible();
    for (size_t pos = 0; pos < vis.size(); ++pos) {
        if (equalsForLocate(vis[pos], f, target, ignoreCase)) {
            scrolledTo(static_cast<int>(pos));
            return true;
        }
    }
    return false;
}

// --- editing -------------------------------------------------------------------------------

void RecordTable::dropPending()
{
    pending_ = false;
    modified_ = false;
    for (auto& v : editBuf_) v = Value();
    if (state_ == TableState::Edit || state_ == TableState::Insert) state_ = TableState::Browse;
}

void RecordTable::beginNewRecord(bool appending)
{
    checkActive();
    settle();
    checkCanModify();
    savedCur_ = cur_;
    anchorRow_ = appending ? -1 : currentRow();
    appending_ = anchorRow_ < 0;
    if (appending_) cur_ = visibleCount();
    for (auto& v : editBuf_) v = Value();
    pending_ = true;
    state_ = TableState::Insert;
    eof_ = false;
    recalc();
    notifyRows({RowChange::PendingAdded, cur_});
    notify(TableChange::State);
    fire(onNewRecord);
    modified_ = false;
    fire(afterInsert);
    fire(afterScroll);
}

void RecordTable::append() { beginNewRecord(true); }
void RecordTable::insert() { beginNewRecord(false); }

void RecordTable::edit()
{
    checkActive();
    if (state_ == TableState::Edit || state_ == TableState::Insert) return;
    if (visibleCount() == 0) {
        insert();
        return;
    }
    checkCanModify();
    const uint32_t row = visibleRow(cur_ < 0 ? 0 : cur_);
    for (size_t s = 0; s < columns_.size(); ++s) editBuf_[s] = storedValue(row, static_cast<int>(s));
    pending_ = true;
    modified_ = false;
    state_ = TableState::Edit;
    notifyRows({RowChange::Changed, cur_});
    notify(TableChange::State);
}

void RecordTable::post()
{
    checkActive();
    if (state_ != TableState::Edit && state_ != TableState::Insert) return;
    notifyUpdateRecord();
    fire(beforePost);
    for (const auto& f : fields_)
        if (f->isData() && f->required() && editBuf_[static_cast<size_t>(f->slot_)].isNull())
            throw Error(formatMessage("Field '%s' must have a value", {f->name().toStdString()}));

    // A new record is a change when something was written into it after it was started (its
    // defaults alone are none); an edit is one when a stored value differs.
    lastPostChanged_ = state_ == TableState::Insert && modified_;
    const int from = cur_;
    int to = from;
    bool wasNew = false;
    if (state_ == TableState::Insert) {
        wasNew = true;
        const uint32_t row = newRow();
        for (size_t s = 0; s < columns_.size(); ++s) storeValue(row, static_cast<int>(s), editBuf_[s]);
        to = placeRow(row, true);
    } else {
        const auto row = static_cast<uint32_t>(currentRow());
        for (size_t s = 0; s < columns_.size() && !lastPostChanged_; ++s)
            lastPostChanged_ = !(storedValue(row, static_cast<int>(s)) == editBuf_[s]);
        for (size_t s = 0; s < columns_.size(); ++s) storeValue(row, static_cast<int>(s), editBuf_[s]);
        if (modified_) rowStatus_[row] = 1;
        if (sortKey_.field) {
            unplaceRow(row);
            to = placeRow(row, false);
        } else if (viewActive_ && !passes(row)) {
            view_.erase(view_.begin() + cur_);
            to = -1;
        }
    }
    if (cur_ >= visibleCount()) cur_ = visibleCount() - 1;
    eof_ = false;
    dropPending();
    changed();
    recalc();
    if (to == from) {
        notifyRows({RowChange::Changed, from});
    } else if (wasNew && to < 0) {
        notifyRows({RowChange::PendingDropped, from});
    } else if (wasNew) {
        // The new record takes its place in the sort: the row moves there and shows stored values.
        notifyRows({RowChange::Moved, from, to});
        notifyRows({RowChange::Changed, to});
    } else {
        notifyRows(to >= 0 ? RowNotice{RowChange::Moved, from, to} : RowNotice{RowChange::Removed, from});
    }
    notify(TableChange::State);
    notify(TableChange::Data);
    fire(afterPost);
}

void RecordTable::cancel()
{
    checkActive();
    if (state_ != TableState::Edit && state_ != TableState::Insert) return;
    const bool wasInsert = state_ == TableState::Insert;
    const int position = cur_;
    dropPending();
    if (wasInsert) cur_ = std::min(savedCur_, visibleCount() - 1);
    recalc();
    notifyRows({wasInsert ? RowChange::PendingDropped : RowChange::Changed, position});
    notify(TableChange::State);
    notify(TableChange::Data);
    if (wasInsert) fire(afterScroll);
}

void RecordTable::settle()
{
    if (state_ != TableState::Edit && state_ != TableState::Insert) return;
    notifyUpdateRecord();
    if (modified_) post();
    else cancel();
}

void RecordTable::deleteRecord()
{
    checkActive();
    if (state_ == TableState::Insert) {
        cancel();
        return;
    }
    checkCanModify();
    if (visibleCount() == 0 || cur_ < 0) throw Error("Cannot perform this operation on an empty dataset");
    dropPending();
    const auto row = static_cast<uint32_t>(currentRow());
    const int position = cur_;
    unplaceRow(row);
    rowStatus_[row] = 2;
    ++storedVersion_;
    for (auto& c : columns_) {
        if (c.cls == ValueClass::Bytes) c.setBytes(row, QByteArray());
        c.nulls[row] = 1;
    }
    if (cur_ >= visibleCount()) cur_ = visibleCount() - 1;
    eof_ = visibleCount() == 0;
    changed();
    recalc();
    notifyRows({RowChange::Removed, position});
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
    for (uint32_t row : doomed) {
        rowStatus_[row] = 2;
        for (auto& c : columns_) {
            if (c.cls == ValueClass::Bytes) c.setBytes(row, QByteArray());
            c.nulls[row] = 1;
        }
    }
    auto gone = [this](uint32_t row) { return rowStatus_[row] == 2; };
    std::erase_if(order_, gone);
    std::erase_if(baseOrder_, gone);
    view_.clear();
    cur_ = -1;
    eof_ = true;
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
    removeStoredRows();
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

// --- order, filter and sort ----------------------------------------------------------------

bool RecordTable::passes(uint32_t row) const
{
    for (const FilterTerm& t : filter_.terms) {
        const Field* f = findField(t.fieldName);
        if (!f || !f->isData()) continue;
        const Column& c = col(*f);
        if (c.nulls[row]) continue;
        switch (c.cls) {
        case ValueClass::Integer: if (c.ints[row] == t.value) return true; break;
        case ValueClass::Real: if (c.reals[row] == static_cast<double>(t.value)) return true; break;
        case ValueClass::Bytes: if (c.bytesAt(row) == FormatInteger(t.value)) return true; break;
        }
    }
    return false;
}

void RecordTable::rebuildView()
{
    viewActive_ = filtered_ && !filter_.terms.empty();
    view_.clear();
    viewChanged();
    if (!viewActive_) return;
    // Resolve the terms once: a scan over the order compares integers only.
    struct Term { const Column* c; int64_t v; };
    std::vector<Term> terms;
    bool simple = true;
    for (const FilterTerm& t : filter_.terms) {
        const Field* f = findField(t.fieldName);
        if (!f || !f->isData()) continue;
        if (col(*f).cls != ValueClass::Integer) simple = false;
        terms.push_back({&col(*f), t.value});
    }
    if (!simple) {
        for (uint32_t row : order_)
            if (passes(row)) view_.push_back(row);
        return;
    }
    constexpr size_t kIndexFrom = 4096; // below this a scan costs less than keeping an index
    if (terms.size() == 1 && order_.size() >= kIndexFrom) {
        const int slot = static_cast<int>(terms[0].c - columns_.data());
        if (filterIndex_.slot != slot || filterIndex_.stamp != storedVersion_) {
            filterIndex_.rows.clear();
            const Column& c = *terms[0].c;
            for (uint32_t row : order_)
                if (!c.nulls[row]) filterIndex_.rows[c.ints[row]].push_back(row);
            filterIndex_.slot = slot;
            filterIndex_.stamp = storedVersion_;
        }
        const auto it = filterIndex_.rows.find(static_cast<int32_t>(terms[0].v));
        if (it != filterIndex_.rows.end() && terms[0].v == int64_t(int32_t(terms[0].v))) view_ = it->second;
        return;
    }
    for (uint32_t row : order_) {
        for (const Term& t : terms) {
            if (!t.c->nulls[row] && t.c->ints[row] == t.v) {
                view_.push_back(row);
                break;
            }
        }
    }
}

void RecordTable::setFilterText(const QByteArray& text)
{
    FilterExpression e = parseFilterExpression(text);
    for (const FilterTerm& t : e.terms)
        if (!findField(t.fieldName)) fieldNotFound(t.fieldName);
    // With the filter off the text is only checked: the current record stays as it is.
    if (active() && filtered_) settle();
    filterText_ = text;
    filter_ = std::move(e);
    if (active() && filtered_) {
        rebuildView();
        notifyRows({RowChange::Reset});
        scrolledTo(visibleCount() > 0 ? 0 : -1);
    }
}

void RecordTable::setFiltered(bool on)
{
    if (on == filtered_) return;
    if (active()) settle();
    filtered_ = on;
    if (active()) {
        rebuildView();
        notifyRows({RowChange::Reset});
        scrolledTo(visibleCount() > 0 ? 0 : -1);
    }
}

Value RecordTable::sortValue(uint32_t row) const { return rowValue(row, *sortKey_.field); }

int RecordTable::compareRows(uint32_t a, uint32_t b) const
{
    const int c = compareValues(sortValue(a), sortValue(b), sortKey_.caseInsensitive);
    return sortKey_.descending ? -c : c;
}

int RecordTable::placeRow(uint32_t row, bool isNew)
{
    auto before = [&](uint32_t a, uint32_t b) { return compareRows(a, b) < 0; };
    size_t oi = order_.size();
    if (sortKey_.field) {
        oi = static_cast<size_t>(std::upper_bound(order_.begin(), order_.end(), row, before) - order_.begin());
        if (isNew) baseOrder_.push_back(row);
    } else if (!appending_ && anchorRow_ >= 0) {
        oi = static_cast<size_t>(std::find(order_.begin(), order_.end(), static_cast<uint32_t>(anchorRow_)) -
                                 order_.begin());
    }
    order_.insert(order_.begin() + static_cast<ptrdiff_t>(oi), row);
    if (!viewActive_) {
        cur_ = static_cast<int>(oi);
        return cur_;
    }
    size_t vi = view_.size();
    if (sortKey_.field) {
        vi = static_cast<size_t>(std::upper_bound(view_.begin(), view_.end(), row, before) - view_.begin());
    } else if (!appending_ && anchorRow_ >= 0) {
        auto it = std::find(view_.begin(), view_.end(), static_cast<uint32_t>(anchorRow_));
        vi = static_cast<size_t>(it - view_.begin());
    }
    cur_ = static_cast<int>(vi);
    if (!passes(row)) return -1;
    view_.insert(view_.begin() + static_cast<ptrdiff_t>(vi), row);
    return cur_;
}

void RecordTable::unplaceRow(uint32_t row)
{
    if (!viewActive_ && !sortKey_.field && cur_ >= 0 && cur_ < static_cast<int>(order_.size()) &&
        order_[static_cast<size_t>(cur_)] == row) {
        order_.erase(order_.begin() + cur_);
        return;
    }
    order_.erase(std::find(order_.begin(), order_.end(), row));
    if (viewActive_) {
        auto it = std::find(view_.begin(), view_.end(), row);
        if (it != view_.end()) {
            cur_ = static_cast<int>(it - view_.begin());
            view_.erase(it);
        }
    }
}

void RecordTable::sortOrder()
{
    if (!sortKey_.field) return;
    // Keys are taken once per row: texts as collation keys in one arena compared bytewise,
    // numbers as doubles.
    struct Key {
        bool null = true;
        double number = 0;
        size_t offset = 0, size = 0;
    };
    std::vector<Key> keys(rowCount_);
    std::string arena;
    bool textual = false;
    const Field& f = *sortKey_.field;
    const bool direct = f.isData();
    for (uint32_t row : order_) {
        Key& k = keys[row];
        if (direct && f.valueClass() == ValueClass::Bytes) {
            textual = true;
            k.null = rowIsNull(row, f);
            const QByteArray key = collationKey(rowBytes(row, f), sortKey_.caseInsensitive);
            k.offset = arena.size();
            k.size = static_cast<size_t>(key.size());
            arena.append(key.constData(), k.size);
            continue;
        }
        const Value v = sortValue(row);
        k.null = v.isNull();
        if (v.isBytes()) {
            textual = true;
            const QByteArray key = collationKey(v.bytesValue(), sortKey_.caseInsensitive);
            k.offset = arena.size();
            k.size = static_cast<size_t>(key.size());
            arena.append(key.constData(), k.size);
        } else if (!k.null) {
            k.number = v.isInteger() ? static_cast<double>(v.integerValue()) : v.realValue();
        }
    }
    const char* base = arena.data();
    auto compare = [&](const Key& a, const Key& b) {
        if (a.null || b.null) return a.null == b.null ? 0 : (a.null ? -1 : 1);
        if (textual) {
            const int c = std::memcmp(base + a.offset, base + b.offset, std::min(a.size, b.size));
            return c != 0 ? c : (a.size == b.size ? 0 : (a.size < b.size ? -1 : 1));
        }
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    };
    const bool desc = sortKey_.descending;
    std::stable_sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) {
        const int c = compare(keys[a], keys[b]);
        return desc ? c > 0 : c < 0;
    });
}

void RecordTable::sort(const QByteArray& spec)
{
    settle();
    changed(); // the stored order is part of what a stream holds
    ++storedVersion_; // the records keep their values but not their order
    const int64_t current = currentRow();
    const qsizetype colon = spec.indexOf(':');
    const QByteArray name = (colon < 0 ? spec : spec.left(colon)).trimmed();
    if (name.isEmpty()) {
        if (sortKey_.field) {
            order_.clear();
            for (uint32_t row : baseOrder_)
                if (rowStatus_[row] != 2) order_.push_back(row);
            baseOrder_.clear();
        }
        sortKey_ = {};
        sortSpec_.clear();
    } else {
        const Field& f = fieldByName(name);
        const QByteArray options = colon < 0 ? QByteArray() : spec.mid(colon + 1).toUpper();
        if (!sortKey_.field) baseOrder_ = order_;
        sortKey_ = {&f, options.contains('D'), options.contains('C')};
        sortSpec_ = spec;
        sortOrder();
    }
    if (!active()) return;
    rebuildView();
    const auto& vis = visible();
    auto it = std::find(vis.begin(), vis.end(), static_cast<uint32_t>(current));
    cur_ = current < 0 || it == vis.end() ? (vis.empty() ? -1 : 0) : static_cast<int>(it - vis.begin());
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

// --- snapshots -----------------------------------------------------------------------------

RecordTable::Snapshot RecordTable::takeSnapshot() const
{
    Snapshot s;
    s.fieldCount = fieldCount();
    s.columns = columns_;
    s.rowStatus = rowStatus_;
    s.rowCount = rowCount_;
    s.order = order_;
    s.baseOrder = baseOrder_;
    s.view = view_;
    s.viewActive = viewActive_;
    s.cur = cur_;
    s.eof = eof_;
    s.state = state_;
    s.readOnly = readOnly_;
    s.modified = modified_;
    s.appending = appending_;
    s.pending = pending_;
    s.anchorRow = anchorRow_;
    s.savedCur = savedCur_;
    s.editBuf = editBuf_;
    s.calcBuf = calcBuf_;
    s.filterText = filterText_;
    s.filter = filter_;
    s.filtered = filtered_;
    s.sortSpec = sortSpec_;
    s.sortField = sortKey_.field ? sortKey_.field->index() : -1;
    s.descending = sortKey_.descending;
    s.caseInsensitive = sortKey_.caseInsensitive;
    return s;
}

void RecordTable::restoreSnapshot(const Snapshot& s)
{
    if (s.fieldCount != fieldCount() || s.columns.size() != columns_.size())
        throw Error("The table's fields changed since its snapshot was taken");
    columns_ = s.columns;
    ++storedVersion_;
    rowStatus_ = s.rowStatus;
    rowCount_ = s.rowCount;
    order_ = s.order;
    baseOrder_ = s.baseOrder;
    view_ = s.view;
    viewActive_ = s.viewActive;
    cur_ = s.cur;
    eof_ = s.eof;
    state_ = s.state;
    readOnly_ = s.readOnly;
    modified_ = s.modified;
    appending_ = s.appending;
    pending_ = s.pending;
    anchorRow_ = s.anchorRow;
    savedCur_ = s.savedCur;
    editBuf_ = s.editBuf;
    calcBuf_ = s.calcBuf;
    filterText_ = s.filterText;
    filter_ = s.filter;
    filtered_ = s.filtered;
    sortSpec_ = s.sortSpec;
    sortKey_ = {s.sortField < 0 ? nullptr : &field(s.sortField), s.descending, s.caseInsensitive};
    changed();
    notifyRows({RowChange::Reset});
    notify(TableChange::State);
    notify(TableChange::Data);
}

// --- view positions ---------------------------------------------------------------------------

int RecordTable::pendingPosition() const
{
    return pending_ && state_ == TableState::Insert ? cur_ : -1;
}

int RecordTable::currentViewPosition() const
{
    if (pendingPosition() >= 0) return cur_;
    return currentPosition();
}

Value RecordTable::valueAt(int position, const Field& f) const
{
    const int pending = pendingPosition();
    if (position < 0 || position >= positionCount()) return {};
    if (pending_ && position == cur_) return f.value(); // the record being edited or inserted
    const int visiblePosition = pending >= 0 && position > pending ? position - 1 : position;
    return rowValue(visibleRow(visiblePosition), f);
}

int64_t RecordTable::storedRowAt(int position) const
{
    const int pending = pendingPosition();
    if (position < 0 || position >= positionCount() || position == pending) return -1;
    return visibleRow(pending >= 0 && position > pending ? position - 1 : position);
}

bool RecordTable::moveToStoredRow(uint32_t row)
{
    checkActive();
    settle();
    const auto& vis = visible();
    if (cur_ >= 0 && cur_ < int(vis.size()) && vis[size_t(cur_)] == row) return true;
    const auto it = std::find(vis.begin(), vis.end(), row);
    if (it == vis.end()) return false;
    scrolledTo(static_cast<int>(it - vis.begin()));
    return true;
}

QByteArray RecordTable::textAt(int position, Field& f, bool display)
{
    if (position < 0 || position >= positionCount()) return {};
    if (position == currentViewPosition() || !f.onGetText) {
        if (position == currentViewPosition()) return display ? f.displayText() : f.editText();
        return f.defaultText(valueAt(position, f), display);
    }
    const int pending = pendingPosition();
    const uint32_t row = visibleRow(pending >= 0 && position > pending ? position - 1 : position);
    // The handler reads "the" record: make it this row, with its calculated values, for the call.
    ActiveRecord rec;
    rec.row = row;
    std::vector<Value> calc;
    computeCalc(rec, calc);
    rec.calc = &calc;
    const std::optional<ActiveRecord> saved = override_;
    override_ = rec;
    try {
        QByteArray text = display ? f.displayText() : f.editText();
        override_ = saved;
        return text;
    } catch (...) {
        override_ = saved;
        throw;
    }
}

// --- bulk loading --------------------------------------------------------------------------

void RecordTable::beginLoad()
{
    changed(); // and endLoad again, after the records loadRecord adds in between
    if (!active()) state_ = TableState::Browse;
    dropPending();
    suspendRefresh();
}

void RecordTable::loadRecord(std::vector<Value>& dataValues, uint8_t status)
{
    const uint32_t row = newRow();
    size_t i = 0;
    for (const auto& f : fields_) {
        if (!f->isData()) continue;
        if (i < dataValues.size()) storeValue(row, f->slot_, f->coerce(dataValues[i]));
        ++i;
    }
    rowStatus_[row] = status == 1 ? 1 : 0;
    order_.push_back(row);
    if (sortKey_.field) baseOrder_.push_back(row);
}

void RecordTable::endLoad()
{
    changed();
    sortOrder();
    rebuildView();
    cur_ = visibleCount() > 0 ? 0 : -1;
    eof_ = cur_ < 0;
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

    // Column i of either table belongs to its i-th data field.
    for (size_t i = 0; i < columns_.size(); ++i) {
        columns_[i] = std::move(source.columns_[i]);
        Column empty;
        empty.cls = columns_[i].cls;
        source.columns_[i] = std::move(empty);
    }
    rowCount_ = std::exchange(source.rowCount_, 0);
    rowStatus_ = std::move(source.rowStatus_);
    for (uint8_t& status : rowStatus_)
        if (status != 2) status = 0; // each record arrives as a new one
    order_ = std::move(source.order_);
    baseOrder_.clear();
    if (sortKey_.field) {
        baseOrder_ = order_;
        sortOrder();
    }
    source.rowStatus_.clear();
    source.order_.clear();
    source.baseOrder_.clear();
    source.close();

    changed();
    rebuildView();
    cur_ = visibleCount() - 1;
    eof_ = visibleCount() == 0;
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
    return true;
}

} // namespace talvena
