// Reading and writing field values of the active record and of any row; calculated and lookup
// fields.
#include "table/record_table.h"

#include "base/error.h"
#include "table/record_table_detail.h"

#include <cmath>

namespace talvena {

using namespace record_table_detail;

namespace {

// A lookup value takes the lookup field's type and size (a longer name is cut to the width).
Value fitLookupValue(const Field& f, const Value& v)
{
    try {
        return f.coerce(v);
    } catch (const Error&) {
        return v;
    }
}

} // namespace

int64_t RecordTable::currentRow() const
{
    if (s_.cur < 0 || s_.cur >= visibleCount()) return -1;
    return visibleRow(s_.cur);
}

int RecordTable::currentPosition() const { return s_.cur < visibleCount() ? s_.cur : -1; }

RecordTable::ActiveRecord RecordTable::activeRecord() const
{
    if (eval_.override) return *eval_.override;
    ActiveRecord a;
    a.calc = &s_.calcBuf;
    if (s_.pending) a.data = &s_.editBuf;
    else a.row = currentRow();
    return a;
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
    if (eval_.target) {
        if (f.kind() != FieldKind::Calculated) cannotModifyField(f);
        (*eval_.target)[static_cast<size_t>(f.slot_)] = f.coerce(v);
        return;
    }
    if (s_.state != TableState::Edit && s_.state != TableState::Insert)
        throw Error("Dataset not in edit or insert mode");
    checkCanModify();
    if (!f.isData()) cannotModifyField(f);
    const auto slot = static_cast<size_t>(f.slot_);
    if (!s_.writtenMark[slot]) {
        s_.writtenMark[slot] = 1;
        s_.written.push_back(static_cast<uint32_t>(slot));
    }
    Value& cell = s_.editBuf[slot];
    Value old = std::exchange(cell, f.coerce(v));
    if (f.onValidate) {
        try {
            f.onValidate(f);
        } catch (...) {
            s_.editBuf[static_cast<size_t>(f.slot_)] = std::move(old);
            throw;
        }
    }
    s_.modified = true;
    ++generation_;
    recalc();
    if (f.onChange) f.onChange(f);
    notifyRows({RowChange::Changed, s_.cur});
    notify(TableChange::Data);
}

Value RecordTable::rowValue(uint32_t row, const Field& f) const
{
    switch (f.kind()) {
    case FieldKind::Calculated: {
        if (!s_.pending && !eval_.override && static_cast<int64_t>(row) == currentRow())
            return s_.calcBuf[static_cast<size_t>(f.slot_)];
        if (eval_.rowCacheRow != static_cast<int64_t>(row) || eval_.rowCacheGeneration != generation_) {
            ActiveRecord rec;
            rec.row = row;
            computeCalc(rec, eval_.rowCache);
            eval_.rowCacheRow = row;
            eval_.rowCacheGeneration = generation_;
        }
        return eval_.rowCache[static_cast<size_t>(f.slot_)];
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

void RecordTable::computeCalc(ActiveRecord rec, std::vector<Value>& out) const
{
    out.assign(static_cast<size_t>(calcSlots_), Value());
    if (!onCalcFields || calcSlots_ == 0) return;
    if (!rec.data && rec.row < 0) return;
    rec.calc = &out;
    // The handler sees this record and writes into `out`; both are put back however it ends, so
    // a calculation inside another (a grid reading a row while the current one is calculated)
    // finds its own.
    const std::optional<ActiveRecord> savedOverride = eval_.override;
    std::vector<Value>* const savedTarget = eval_.target;
    eval_.override = rec;
    eval_.target = &out;
    auto restore = [&] {
        eval_.override = savedOverride;
        eval_.target = savedTarget;
    };
    try {
        onCalcFields(*this);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void RecordTable::recalc()
{
    if (calcSlots_ == 0) return;
    ActiveRecord rec;
    if (s_.pending) rec.data = &s_.editBuf;
    else rec.row = currentRow();
    computeCalc(rec, s_.calcBuf);
}

} // namespace talvena
