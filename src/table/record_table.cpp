// The record table: its fields, its lifecycle, notices to bound controls and navigation.
#include "table/record_table.h"

#include "base/error.h"
#include "table/record_table_detail.h"
#include "table/collation.h"

#include <algorithm>
#include <atomic>

namespace talvena {

using namespace record_table_detail;

namespace {

// Content stamps are handed out once each, whatever table and thread asks.
std::atomic<uint64_t> g_lastContentStamp{0};
uint64_t newContentStamp() { return g_lastContentStamp.fetch_add(1, std::memory_order_relaxed) + 1; }

// An observer may stop observing, or another start, while they are told: the list is copied first.
template <typename Tell> void tellEach(std::vector<TableObserver*> observers, Tell tell)
{
    for (TableObserver* o : observers) tell(*o);
}

} // namespace

namespace record_table_detail {

void fieldNotFound(const QByteArray& name)
{
    throw Error(formatMessage("Field '%s' not found", {name.toStdString()}));
}

void cannotModifyField(const Field& f)
{
    throw Error(formatMessage("Field '%s' cannot be modified", {f.name().toStdString()}));
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

} // namespace record_table_detail

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
    ++generation_;
}

// --- fields ---------------------------------------------------------------------------------

Field& RecordTable::addField(FieldDef def)
{
    if (findField(def.name)) throw Error(formatMessage("Duplicate field name '%s'", {def.name.toStdString()}));
    auto f = std::make_unique<Field>(*this, def, fieldCount());
    if (f->isData()) {
        f->slot_ = static_cast<int>(s_.columns.size());
        Column c;
        c.cls = f->valueClass();
        switch (c.cls) {
        case ValueClass::Integer: c.ints.resize(s_.rowCount); break;
        case ValueClass::Real: c.reals.resize(s_.rowCount); break;
        case ValueClass::Bytes: c.refs.resize(s_.rowCount); break;
        }
        c.nulls.assign(s_.rowCount, 1);
        s_.columns.push_back(std::move(c));
        s_.editBuf.resize(s_.columns.size());
        s_.writtenMark.resize(s_.columns.size());
    } else if (f->kind() == FieldKind::Calculated) {
        f->slot_ = calcSlots_++;
        s_.calcBuf.resize(static_cast<size_t>(calcSlots_));
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
    s_.columns.clear();
    s_.editBuf.clear();
    s_.written.clear();
    s_.writtenMark.clear();
    s_.calcBuf.clear();
    calcSlots_ = 0;
    s_.sortSpec.clear();
    s_.sortKey = {};
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
    s_.state = TableState::Browse;
    rebuildView();
    notifyRows({RowChange::Reset});
    notify(TableChange::State);
    if (visibleCount() > 0) scrolledTo(0);
}

void RecordTable::removeStoredRows()
{
    ++storedVersion_;
    if (s_.rowCount > 0 || !s_.order.empty()) journalDataSwap();
    for (auto& c : s_.columns) c.clearRows();
    forgetStoredRows();
    changed();
}

void RecordTable::forgetStoredRows()
{
    s_.rowStatus.clear();
    s_.rowCount = 0;
    s_.order.clear();
    s_.baseOrder.clear();
    s_.view.clear();
    s_.cur = -1;
    s_.eof = true;
}

void RecordTable::close()
{
    if (!active()) return;
    dropPending();
    s_.state = TableState::Inactive;
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
    if (s_.readOnly) throw Error("Cannot modify a read-only dataset");
}

void RecordTable::notify(TableChange c)
{
    if (suspended_ > 0) {
        refreshPending_ = true;
        return;
    }
    tellEach(observers_, [&](TableObserver& o) { o.tableChanged(*this, c); });
}

void RecordTable::notifyRows(RowNotice n)
{
    if (suspended_ > 0) {
        rowResetPending_ = true;
        return;
    }
    // The stored row of a record still in the view is found here; one that left it is named by
    // the caller.
    if (n.row < 0) {
        if (n.change == RowChange::Changed || n.change == RowChange::Added) n.row = storedRowAt(n.position);
        else if (n.change == RowChange::Moved) n.row = storedRowAt(n.to);
    }
    tellEach(observers_, [&](TableObserver& o) { o.rowsChanged(*this, n); });
}

void RecordTable::notifyUpdateRecord()
{
    tellEach(observers_, [&](TableObserver& o) { o.updateRecord(*this); });
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
    s_.cur = position;
    s_.eof = position < 0;
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
    if (s_.cur + 1 < visibleCount()) scrolledTo(s_.cur + 1);
    else s_.eof = true;
}

void RecordTable::prior()
{
    checkActive();
    settle();
    if (s_.cur > 0 && s_.cur <= visibleCount()) scrolledTo(std::min(s_.cur, visibleCount()) - 1);
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
    if (position >= 0 && position < visibleCount() && position != s_.cur) scrolledTo(position);
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

} // namespace talvena
