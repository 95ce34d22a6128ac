// The column store: one column of values per data field, texts and blobs in a pool per column.
#include "table/record_table.h"

#include "base/error.h"
#include "table/edit_journal.h"
#include "table/record_table_detail.h"

namespace talvena {

using namespace record_table_detail;

Value RecordTable::storedValue(uint32_t row, int slot) const
{
    const Column& c = s_.columns[static_cast<size_t>(slot)];
    if (c.nulls[row]) return {};
    switch (c.cls) {
    case ValueClass::Integer: return Value::integer(c.ints[row]);
    case ValueClass::Real: return Value::real(c.reals[row]);
    case ValueClass::Bytes: return Value::bytes(c.bytesAt(row));
    }
    return {};
}

bool RecordTable::storedEquals(uint32_t row, int slot, const Value& v) const
{
    const Column& c = s_.columns[static_cast<size_t>(slot)];
    if (c.nulls[row]) return v.isNull();
    switch (c.cls) {
    case ValueClass::Integer: return v.isInteger() && v.integerValue() == c.ints[row];
    case ValueClass::Real: return v.isReal() && v.realValue() == c.reals[row];
    case ValueClass::Bytes: return v.isBytes() && v.bytesValue() == c.bytesAt(row);
    }
    return false;
}

void RecordTable::storeValue(uint32_t row, int slot, const Value& v)
{
    ++storedVersion_;
    Column& c = s_.columns[static_cast<size_t>(slot)];
    c.nulls[row] = v.isNull() ? 1 : 0;
    switch (c.cls) {
    case ValueClass::Integer: c.ints[row] = v.isNull() ? 0 : static_cast<int32_t>(v.integerValue()); break;
    case ValueClass::Real: c.reals[row] = v.isNull() ? 0.0 : v.realValue(); break;
    case ValueClass::Bytes: c.setBytes(row, v.isNull() ? QByteArray() : v.bytesValue()); break;
    }
}

void RecordTable::setRowValue(uint32_t row, const Field& f, const Value& v)
{
    if (!f.isData() || &f.table() != this || row >= s_.rowCount) return;
    const Value stored = f.coerce(v);
    const EditJournal::Action step(journal_, QStringLiteral("Изменение записи"));
    journalCell(row, f.slot_, storedValue(row, f.slot_), stored);
    storeValue(row, f.slot_, stored);
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
    for (const Column& c : s_.columns) {
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
    for (auto& c : s_.columns) {
        switch (c.cls) {
        case ValueClass::Integer: c.ints.push_back(0); break;
        case ValueClass::Real: c.reals.push_back(0.0); break;
        case ValueClass::Bytes: c.refs.push_back(0); break;
        }
        c.nulls.push_back(1);
    }
    s_.rowStatus.push_back(0);
    return s_.rowCount++;
}

} // namespace talvena
