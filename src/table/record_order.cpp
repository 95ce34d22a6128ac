// The stored order, the filtered view and the sort.
#include "table/record_table.h"

#include "base/error.h"
#include "table/edit_journal.h"
#include "table/record_table_detail.h"
#include "table/collation.h"
#include "table/number_text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace talvena {

using namespace record_table_detail;

// --- order, filter and sort ----------------------------------------------------------------

bool RecordTable::passes(uint32_t row) const
{
    for (const FilterTerm& t : s_.filter.terms) {
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
    s_.viewActive = s_.filtered && !s_.filter.terms.empty();
    s_.view.clear();
    viewChanged();
    if (!s_.viewActive) return;
    // Resolve the terms once: a scan over the order compares integers only.
    struct Term { const Column* c; int64_t v; };
    std::vector<Term> terms;
    bool simple = true;
    for (const FilterTerm& t : s_.filter.terms) {
        const Field* f = findField(t.fieldName);
        if (!f || !f->isData()) continue;
        if (col(*f).cls != ValueClass::Integer) simple = false;
        terms.push_back({&col(*f), t.value});
    }
    if (!simple) {
        for (uint32_t row : s_.order)
            if (passes(row)) s_.view.push_back(row);
        return;
    }
    constexpr size_t kIndexFrom = 4096; // below this a scan costs less than keeping an index
    if (terms.size() == 1 && s_.order.size() >= kIndexFrom) {
        const int slot = static_cast<int>(terms[0].c - s_.columns.data());
        if (filterIndex_.slot != slot || filterIndex_.stamp != storedVersion_) {
            filterIndex_.rows.clear();
            const Column& c = *terms[0].c;
            for (uint32_t row : s_.order)
                if (!c.nulls[row]) filterIndex_.rows[c.ints[row]].push_back(row);
            filterIndex_.slot = slot;
            filterIndex_.stamp = storedVersion_;
        }
        const auto it = filterIndex_.rows.find(static_cast<int32_t>(terms[0].v));
        if (it != filterIndex_.rows.end() && terms[0].v == int64_t(int32_t(terms[0].v))) s_.view = it->second;
        return;
    }
    for (uint32_t row : s_.order) {
        for (const Term& t : terms) {
            if (!t.c->nulls[row] && t.c->ints[row] == t.v) {
                s_.view.push_back(row);
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
    if (active() && s_.filtered) settle();
    s_.filterText = text;
    s_.filter = std::move(e);
    if (active() && s_.filtered) {
        rebuildView();
        notifyRows({RowChange::Reset});
        scrolledTo(visibleCount() > 0 ? 0 : -1);
    }
}

void RecordTable::setFiltered(bool on)
{
    if (on == s_.filtered) return;
    if (active()) settle();
    s_.filtered = on;
    if (active()) {
        rebuildView();
        notifyRows({RowChange::Reset});
        scrolledTo(visibleCount() > 0 ? 0 : -1);
    }
}

Value RecordTable::sortValue(uint32_t row) const { return rowValue(row, *s_.sortKey.field); }

int RecordTable::compareRows(uint32_t a, uint32_t b) const
{
    const int c = compareValues(sortValue(a), sortValue(b), s_.sortKey.caseInsensitive);
    return s_.sortKey.descending ? -c : c;
}

int RecordTable::placeRow(uint32_t row, bool isNew)
{
    auto before = [&](uint32_t a, uint32_t b) { return compareRows(a, b) < 0; };
    size_t oi = s_.order.size();
    if (s_.sortKey.field) {
        oi = static_cast<size_t>(std::upper_bound(s_.order.begin(), s_.order.end(), row, before) - s_.order.begin());
        if (isNew) {
            journalOrderInsert(true, s_.baseOrder.size(), row);
            s_.baseOrder.push_back(row);
        }
    } else if (!s_.appending && s_.anchorRow >= 0) {
        oi = static_cast<size_t>(std::find(s_.order.begin(), s_.order.end(), static_cast<uint32_t>(s_.anchorRow)) -
                                 s_.order.begin());
    }
    journalOrderInsert(false, oi, row);
    s_.order.insert(s_.order.begin() + static_cast<ptrdiff_t>(oi), row);
    if (!s_.viewActive) {
        s_.cur = static_cast<int>(oi);
        return s_.cur;
    }
    size_t vi = s_.view.size();
    if (s_.sortKey.field) {
        vi = static_cast<size_t>(std::upper_bound(s_.view.begin(), s_.view.end(), row, before) - s_.view.begin());
    } else if (!s_.appending && s_.anchorRow >= 0) {
        auto it = std::find(s_.view.begin(), s_.view.end(), static_cast<uint32_t>(s_.anchorRow));
        vi = static_cast<size_t>(it - s_.view.begin());
    }
    s_.cur = static_cast<int>(vi);
    if (!passes(row)) return -1;
    s_.view.insert(s_.view.begin() + static_cast<ptrdiff_t>(vi), row);
    return s_.cur;
}

void RecordTable::unplaceRow(uint32_t row)
{
    if (!s_.viewActive && !s_.sortKey.field && s_.cur >= 0 && s_.cur < static_cast<int>(s_.order.size()) &&
        s_.order[static_cast<size_t>(s_.cur)] == row) {
        journalOrderErase(false, static_cast<size_t>(s_.cur), row);
        s_.order.erase(s_.order.begin() + s_.cur);
        return;
    }
    const auto at = std::find(s_.order.begin(), s_.order.end(), row);
    journalOrderErase(false, static_cast<size_t>(at - s_.order.begin()), row);
    s_.order.erase(at);
    if (s_.viewActive) {
        auto it = std::find(s_.view.begin(), s_.view.end(), row);
        if (it != s_.view.end()) {
            s_.cur = static_cast<int>(it - s_.view.begin());
            s_.view.erase(it);
        }
    }
}

void RecordTable::sortOrder()
{
    if (!s_.sortKey.field) return;
    // Keys are taken once per row: texts as collation keys in one arena compared bytewise,
    // numbers as doubles.
    struct Key {
        bool null = true;
        double number = 0;
        size_t offset = 0, size = 0;
    };
    std::vector<Key> keys(s_.rowCount);
    std::string arena;
    bool textual = false;
    const Field& f = *s_.sortKey.field;
    const bool direct = f.isData();
    for (uint32_t row : s_.order) {
        Key& k = keys[row];
        if (direct && f.valueClass() == ValueClass::Bytes) {
            textual = true;
            k.null = rowIsNull(row, f);
            const QByteArray key = collationKey(rowBytes(row, f), s_.sortKey.caseInsensitive);
            k.offset = arena.size();
            k.size = static_cast<size_t>(key.size());
            arena.append(key.constData(), k.size);
            continue;
        }
        const Value v = sortValue(row);
        k.null = v.isNull();
        if (v.isBytes()) {
            textual = true;
            const QByteArray key = collationKey(v.bytesValue(), s_.sortKey.caseInsensitive);
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
    const bool desc = s_.sortKey.descending;
    std::stable_sort(s_.order.begin(), s_.order.end(), [&](uint32_t a, uint32_t b) {
        const int c = compare(keys[a], keys[b]);
        return desc ? c > 0 : c < 0;
    });
}

void RecordTable::sort(const QByteArray& spec)
{
    settle();
    changed(); // the stored order is part of what a stream holds
    journalOrderSwap();
    ++storedVersion_; // the records keep their values but not their order
    const int64_t current = currentRow();
    const qsizetype colon = spec.indexOf(':');
    const QByteArray name = (colon < 0 ? spec : spec.left(colon)).trimmed();
    if (name.isEmpty()) {
        if (s_.sortKey.field) {
            s_.order.clear();
            for (uint32_t row : s_.baseOrder)
                if (s_.rowStatus[row] != 2) s_.order.push_back(row);
            s_.baseOrder.clear();
        }
        s_.sortKey = {};
        s_.sortSpec.clear();
    } else {
        const Field& f = fieldByName(name);
        const QByteArray options = colon < 0 ? QByteArray() : spec.mid(colon + 1).toUpper();
        if (!s_.sortKey.field) s_.baseOrder = s_.order;
        s_.sortKey = {&f, options.contains('D'), options.contains('C')};
        s_.sortSpec = spec;
        sortOrder();
    }
    if (!active()) return;
    rebuildView();
    const auto& vis = visible();
    auto it = std::find(vis.begin(), vis.end(), static_cast<uint32_t>(current));
    s_.cur = current < 0 || it == vis.end() ? (vis.empty() ? -1 : 0) : static_cast<int>(it - vis.begin());
    recalc();
    notifyRows({RowChange::Reset});
    notify(TableChange::Data);
}

} // namespace talvena
