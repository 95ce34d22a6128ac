#include "model/grid_paste.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/contour_editing.h"
#include "model/data_module.h"
#include "table/edit_journal.h"
#include "table/record_table.h"

#include <algorithm>
#include <map>

namespace talvena {

namespace {

const char* const kNotInList = "Значения «%s» нет в списке.";
const char* const kNotInCodePage = "Знак «%s» нельзя сохранить в паспорте.";
const char* const kRowGone = "Запись больше не показана в таблице.";
constexpr int kRefusalsShown = 5;

// A shown column as a paste writes it.
struct ColumnWrite {
    int shown = 0;                   // shown column from 0
    const GridColumnDecl* decl = nullptr;
    Field* field = nullptr;          // the field written: the key field of a lookup column
    Field* lookup = nullptr;         // the lookup field whose names the texts are
    bool writable() const { return field != nullptr; }
};

ColumnWrite columnWrite(const GridTarget& t, int shown)
{
    ColumnWrite w;
    w.shown = shown;
    const int declared = t.shown[static_cast<size_t>(shown)];
    if (declared < 0 || declared >= static_cast<int>(t.columns.size())) return w;
    w.decl = &t.columns[static_cast<size_t>(declared)];
    if (!w.decl->editable() || t.table->readOnly()) return w;
    Field* f = t.table->findField(w.decl->field);
    if (!f) return w;
    if (w.decl->kind == ColumnKind::Lookup) {
        if (f->kind() != FieldKind::Lookup || !f->lookup().table) return w;
        w.lookup = f;
        w.field = t.table->findField(f->lookup().keyField);
    } else if (f->isData()) {
        w.field = f;
    }
    return w;
}

bool numericText(const Field& f) { return f.valueClass() != ValueClass::Bytes && !isDateType(f.type()); }

// Spreadsheets write numbers with a decimal comma and group digits with (no-break) spaces.
QString numberText(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace() || c == QChar(0xA0) || c == QChar(0x202F); });
    text.replace(u',', u'.');
    return text;
}

QByteArray cp1251Text(const QString& text)
{
    for (QChar c : text)
        if (!cp1251CanHold(c)) throw Error(formatMessage(kNotInCodePage, {QString(c).toStdString()}));
    return unicodeToCp1251(text);
}

// The key of the lookup table's record whose shown name is the text (letter case ignored).
Value lookupKey(const Field& lookupField, const QString& text)
{
    const LookupDef& def = lookupField.lookup();
    const RecordTable& list = *def.table;
    const Field* key = list.findField(def.tableKeyField);
    const Field* shown = list.findField(def.resultField);
    if (key && shown && list.active()) {
        for (int i = 0; i < list.visibleCount(); ++i) {
            const uint32_t row = list.visibleRow(i);
            const Value name = list.rowValue(row, *shown);
            const QString nameText = name.isBytes() ? cp1251ToUnicode(name.bytesValue()).trimmed() : QString();
            if (nameText.compare(text, Qt::CaseInsensitive) == 0) return list.rowValue(row, *key);
        }
    }
    throw Error(formatMessage(kNotInList, {text.toStdString()}));
}

// Writes one cell through its field's rules; on a refusal the cell keeps its value.
void writeCell(const ColumnWrite& w, const QString& raw)
{
    Field& f = *w.field;
    const Value before = f.value();
    try {
        if (w.lookup) {
            const QString text = raw.trimmed();
            if (text.isEmpty()) f.clear();
            else f.setValue(lookupKey(*w.lookup, text));
            return;
        }
        f.setText(cp1251Text(numericText(f) ? numberText(raw) : raw));
    } catch (...) {
        // A change handler that refused after the value was written: put the old value back.
        if (!(f.value() == before)) {
            try {
                f.setValue(before);
            } catch (...) {
            }
        }
        throw;
    }
}

QString errorText(const std::exception& e) { return QString::fromUtf8(e.what()); }

// Runs the target's own preparation and wind-down around a paste.
class TargetScope {
public:
    explicit TargetScope(const GridTarget& t) : t_(t)
    {
        if (t_.begin) t_.begin();
    }
    ~TargetScope()
    {
        if (!t_.end) return;
        try {
            t_.end();
        } catch (...) {
            // What could not be settled now is settled by the next refresh; the paste itself stands.
        }
    }
    TargetScope(const TargetScope&) = delete;
    TargetScope& operator=(const TargetScope&) = delete;

private:
    const GridTarget& t_;
};

// The cells of one grid row to write, and what happened to them.
struct RowWrite {
    int gridRow = 0;
    bool isNew = false;
    int64_t storedRow = -1;
    std::vector<std::pair<const ColumnWrite*, QString>> cells;
};

bool moveToRow(RecordTable& table, int position, int64_t storedRow)
{
    // Positions stay put while rows are written in place unless a sort moves them: try the
    // expected position before searching.
    if (position < table.visibleCount() && table.storedRowAt(position) == storedRow) {
        if (table.currentPosition() != position) table.moveTo(position);
        return true;
    }
    return table.moveToStoredRow(static_cast<uint32_t>(storedRow));
}

void writeRow(RecordTable& table, const RowWrite& row, PasteOutcome& out)
{
    if (!row.isNew) {
        if (!moveToRow(table, row.gridRow, row.storedRow)) {
            out.refusals.push_back({row.gridRow + 1, 0, {}, QString::fromUtf8(kRowGone)});
            return;
        }
        table.edit();
    } else {
        table.append();
    }
    std::vector<size_t> waiting;
    std::vector<QString> reasons(row.cells.size());
    int taken = 0;
    auto attempt = [&](size_t i) {
        try {
            writeCell(*row.cells[i].first, row.cells[i].second);
            ++taken;
            return true;
        } catch (const std::exception& e) {
            reasons[i] = errorText(e);
            return false;
        }
    };
    for (size_t i = 0; i < row.cells.size(); ++i)
        if (!attempt(i)) waiting.push_back(i);
    // A value checked against a partner in the same row (a minimum against its maximum) may be
    // taken once the partner is written: try the refused ones again while that helps.
    for (bool progress = !waiting.empty(); progress && !waiting.empty();) {
        std::vector<size_t> still;
        for (size_t i : waiting)
            if (!attempt(i)) still.push_back(i);
        progress = still.size() < waiting.size();
        waiting = std::move(still);
    }
    std::vector<CellRefusal> refused;
    for (size_t i : waiting) {
        const ColumnWrite& w = *row.cells[i].first;
        refused.push_back({row.gridRow + 1, w.shown + 1, QString::fromUtf8(w.decl->title).trimmed(), reasons[i]});
    }
    if (row.isNew && (taken == 0 || !waiting.empty())) {
        // A new record is added whole or not at all: no empty record, no point with one coordinate.
        table.cancel();
    } else {
        try {
            if (table.modified()) table.post();
            else table.cancel();
        } catch (const std::exception& e) {
            table.cancel();
            CellRefusal r;
            r.row = row.gridRow + 1;
            r.reason = errorText(e);
            out.refusals.push_back(r); // the row's cells stay as they were: none counts as taken
            return;
        }
        out.taken += taken;
        if (row.isNew) ++out.appended;
        if (out.firstRow < 0) out.firstRow = row.gridRow;
        out.lastRow = std::max(out.lastRow, row.gridRow);
    }
    out.refusals.insert(out.refusals.end(), refused.begin(), refused.end());
}

// Writes rows of cells as one undo step, around the target's own preparation.
template <typename Rows>
PasteOutcome writeRows(const GridTarget& t, const QString& stepName, Rows&& makeRows)
{
    PasteOutcome out;
    RecordTable& table = *t.table;
    // The target's own wind-down (a count written once) is part of the same undo step.
    const EditJournal::Action action(table.journal(), stepName);
    const TargetScope scope(t);
    const RecordTable::RefreshSuspension quiet(table);
    table.settle();
    const int back = table.currentPosition();
    const int64_t backRow = back >= 0 ? table.storedRowAt(back) : -1;
    makeRows(out, [&](const RowWrite& row) { writeRow(table, row, out); });
    // The current record goes back where the user was, unless rows were written.
    if (out.firstRow < 0 && backRow >= 0) table.moveToStoredRow(static_cast<uint32_t>(backRow));
    return out;
}

} // namespace

bool GridAppendsRows(const GridDecl& decl) { return !decl.readOnlyRows && (decl.navigatorButtons & NavInsert); }

GridTarget ModuleGridTarget(TDataModule2& m, const GridDecl& decl, std::vector<int> shown)
{
    GridTarget t;
    t.table = nullptr;
    for (RecordTable* table : {&m.REFLECT_HORIZONTS, &m.POSIB_PRODUCT_HOR, &m.KONTUR})
        if (table->name().compare(decl.table, Qt::CaseInsensitive) == 0) t.table = table;
    t.columns = decl.columns;
    t.shown = std::move(shown);
    t.appendRows = GridAppendsRows(decl);
    if (t.table == &m.KONTUR) {
        // Points belong to the current horizon, whose count is written once at the end.
        t.begin = [&m] {
            FollowCurrentHorizon(m);
            m.holdPointCounts();
        };
        t.end = [&m] { m.releasePointCounts(); };
    }
    return t;
}

PasteOutcome PasteBlock(const GridTarget& t, int position, int shownColumn, const CellBlock& block)
{
    if (!t.table || block.empty() || shownColumn < 0 || position < 0) return {};
    return writeRows(t, QStringLiteral("Вставка"), [&](PasteOutcome& out, const auto& write) {
        RecordTable& table = *t.table;
        std::vector<ColumnWrite> columns;
        const int width = block.width();
        for (int c = 0; c < width && shownColumn + c < static_cast<int>(t.shown.size()); ++c)
            columns.push_back(columnWrite(t, shownColumn + c));
        const int dropped = width - static_cast<int>(columns.size());
        const int existing = table.visibleCount();
        // The records are fixed before anything is written: a sorted grid may move a written row.
        std::vector<int64_t> stored;
        for (int r = 0; r < block.height() && position + r < existing; ++r) stored.push_back(table.storedRowAt(position + r));
        RowWrite row;
        for (int r = 0; r < block.height(); ++r) {
            row.gridRow = position + r;
            row.isNew = row.gridRow >= existing;
            row.storedRow = row.isNew ? -1 : stored[static_cast<size_t>(r)];
            row.cells.clear();
            out.skipped += dropped;
            if (row.isNew && !t.appendRows) {
                out.skipped += static_cast<int>(columns.size());
                continue;
            }
            for (const ColumnWrite& w : columns) {
                if (w.writable()) row.cells.emplace_back(&w, block.cell(r, w.shown - shownColumn));
                else ++out.skipped;
            }
            if (!row.cells.empty()) write(row);
        }
    });
}

PasteOutcome ClearCells(const GridTarget& t, std::vector<GridCell> cells)
{
    if (!t.table || cells.empty()) return {};
    return writeRows(t, QStringLiteral("Очистка ячеек"), [&](PasteOutcome& out, const auto& write) {
        RecordTable& table = *t.table;
        std::map<int, std::vector<int>> byRow;
        for (const GridCell& c : cells)
            if (c.row >= 0 && c.row < table.visibleCount() && c.column >= 0 && c.column < static_cast<int>(t.shown.size()))
                byRow[c.row].push_back(c.column);
        std::vector<ColumnWrite> columns;
        for (int c = 0; c < static_cast<int>(t.shown.size()); ++c) columns.push_back(columnWrite(t, c));
        std::vector<std::pair<int, int64_t>> rows;
        for (const auto& [r, _] : byRow) rows.emplace_back(r, table.storedRowAt(r));
        for (const auto& [r, storedRow] : rows) {
            RowWrite row;
            row.gridRow = r;
            row.storedRow = storedRow;
            std::vector<int>& shownColumns = byRow[r];
            std::sort(shownColumns.begin(), shownColumns.end());
            shownColumns.erase(std::unique(shownColumns.begin(), shownColumns.end()), shownColumns.end());
            for (int c : shownColumns) {
                const ColumnWrite& w = columns[static_cast<size_t>(c)];
                if (w.writable()) row.cells.emplace_back(&w, QString());
                else ++out.skipped;
            }
            if (!row.cells.empty()) write(row);
        }
    });
}

CellBlock CopyCells(const GridTarget& t, const std::vector<int>& rows, const std::vector<int>& shownColumns,
                    const std::function<bool(int row, int shownColumn)>& selected)
{
    CellBlock block;
    if (!t.table) return block;
    RecordTable& table = *t.table;
    std::vector<Field*> fields;
    for (int c : shownColumns) {
        Field* f = nullptr;
        if (c >= 0 && c < static_cast<int>(t.shown.size())) {
            const int declared = t.shown[static_cast<size_t>(c)];
            if (declared >= 0 && declared < static_cast<int>(t.columns.size()))
                f = table.findField(t.columns[static_cast<size_t>(declared)].field);
        }
        fields.push_back(f);
        const StreamEncoding encoding = f ? fieldTypeInfo(f->type()).encoding : StreamEncoding::String;
        block.numericColumns.push_back(!isDateType(f ? f->type() : FieldType::String) &&
                                       (encoding == StreamEncoding::Integer || encoding == StreamEncoding::Real));
    }
    block.rows.reserve(rows.size());
    for (int r : rows) {
        QStringList line;
        line.reserve(static_cast<qsizetype>(fields.size()));
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!fields[i] || (selected && !selected(r, shownColumns[i]))) {
                line.append(QString());
                continue;
            }
            line.append(cp1251ToUnicode(table.textAt(r, *fields[i], true)));
        }
        block.rows.push_back(std::move(line));
    }
    return block;
}

QString PasteSummary(const PasteOutcome& o, const QString& verb)
{
    if (o.taken == 0 && o.refusals.empty() && o.skipped == 0) return {};
    QString text = QStringLiteral("%1 значений: %2.").arg(verb).arg(o.taken);
    if (o.appended > 0) text += QStringLiteral(" Добавлено строк: %1.").arg(o.appended);
    if (o.skipped > 0) text += QStringLiteral(" Пропущено (столбцы только для чтения или вне таблицы): %1.").arg(o.skipped);
    if (o.refusals.empty()) return text;
    text += QStringLiteral("\nНе принято значений: %1.").arg(o.refusedCount());
    for (int i = 0; i < std::min(kRefusalsShown, o.refusedCount()); ++i) {
        const CellRefusal& r = o.refusals[static_cast<size_t>(i)];
        text += r.column > 0 ? QStringLiteral("\nСтрока %1, столбец «%2»: %3").arg(r.row).arg(r.title, r.reason)
                             : QStringLiteral("\nСтрока %1: %2").arg(r.row).arg(r.reason);
    }
    if (o.refusedCount() > kRefusalsShown) text += QStringLiteral("\n…и еще %1.").arg(o.refusedCount() - kRefusalsShown);
    return text;
}

} // namespace talvena
