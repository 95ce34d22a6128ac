#include "gui/record_table_model.h"

#include "base/cp1251.h"
#include "base/error.h"

namespace talvena {

namespace {

// Row indicator marks: the current record, one being edited, a new one.
const QString kCurrentMark = QStringLiteral("▶");
const QString kEditMark = QStringLiteral("I");
const QString kInsertMark = QStringLiteral("*");

bool numeric(const Field& f) { return f.valueClass() != ValueClass::Bytes; }

} // namespace

RecordTableModel::RecordTableModel(RecordTable& table, std::span<const GridColumnDecl> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table)
{
    for (const GridColumnDecl& c : columns) columns_.push_back({c, table.findField(c.field), {}});
    rows_ = table_.positionCount();
    table_.addObserver(this);
}

RecordTableModel::~RecordTableModel() { table_.removeObserver(this); }

void RecordTableModel::addComputedColumn(const char* title, std::function<QString(uint32_t storedRow)> text)
{
    const int at = columnCount();
    beginInsertColumns({}, at, at);
    columns_.push_back({GridColumnDecl{"", title, ColumnKind::Calculated}, nullptr, std::move(text)});
    endInsertColumns();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RecordTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

int RecordTableModel::tablePosition(int row) const
{
    if (!announcing_) return row;
    const RowNotice& n = *announcing_;
    switch (n.change) {
    case RowChange::PendingAdded:
    case RowChange::Added: return row < n.position ? row : row + 1;
    case RowChange::PendingDropped:
    case RowChange::Removed: return row < n.position ? row : (row == n.position ? -1 : row - 1);
    case RowChange::Moved: {
        if (row == n.position) return n.to;
        const int amongOthers = row > n.position ? row - 1 : row;
        return amongOthers >= n.to ? amongOthers + 1 : amongOthers;
    }
    default: return row;
    }
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    const int position = index.isValid() ? tablePosition(index.row()) : -1;
    if (position < 0 || position >= table_.positionCount()) return {};
    if (const auto& computed = columns_[size_t(index.column())].computed) {
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
        const int64_t row = table_.storedRowAt(position);
        return role == Qt::DisplayRole && row >= 0 ? computed(uint32_t(row)) : QVariant();
    }
    Field* f = field(index.column());
    if (!f) return {};
    try {
        switch (role) {
        case Qt::DisplayRole:
            return cp1251ToUnicode(table_.textAt(position, *f, true));
        case Qt::EditRole:
            return cp1251ToUnicode(table_.textAt(position, *f, false));
        case LookupKeyRole: {
            const Field* key = table_.findField(f->lookup().keyField);
            if (!key) return {};
            const Value v = table_.valueAt(position, *key);
            return v.isNull() ? QVariant() : QVariant(qlonglong(v.isInteger() ? v.integerValue() : 0));
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter | (numeric(*f) ? Qt::AlignRight : Qt::AlignLeft));
        default:
            return {};
        }
    } catch (const std::exception&) {
        return {}; // a text handler that fails shows nothing rather than break the paint
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? QString::fromUtf8(columns_[size_t(section)].decl.title) : QVariant();
    if (section != table_.currentViewPosition()) return QString();
    switch (table_.state()) {
    case TableState::Insert: return kInsertMark;
    case TableState::Edit: return kEditMark;
    default: return kCurrentMark;
    }
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (column(index.column()).editable() && field(index.column()) && !table_.readOnly()) flags |= Qt::ItemIsEditable;
    return flags;
}

bool RecordTableModel::makeRowCurrent(int row)
{
    if (row < 0 || row >= table_.positionCount()) return false;
    if (row == table_.currentViewPosition()) return true;
    const int64_t stored = table_.storedRowAt(row);
    if (stored < 0) return false;
    return table_.moveToStoredRow(uint32_t(stored));
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    lastError_.clear();
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    try {
        if (index.row() != table_.currentViewPosition() && !makeRowCurrent(index.row())) return false;
        Field* f = field(index.column());
        if (table_.state() == TableState::Browse) table_.edit();
        if (column(index.column()).kind == ColumnKind::Lookup) {
            Field& key = table_.fieldByName(f->lookup().keyField);
            if (value.isNull()) key.clear();
            else key.setInteger(value.toLongLong());
        } else {
            f->setText(unicodeToCp1251(value.toString()));
        }
        return true;
    } catch (const std::exception& e) {
        lastError_ = QString::fromUtf8(e.what());
        return false;
    }
}

std::vector<FieldChoice> RecordTableModel::lookupChoices(int c) const
{
    Field* f = field(c);
    if (!f || f->kind() != FieldKind::Lookup || !f->lookup().table) return {};
    return ListChoices(*f->lookup().table, f->lookup().tableKeyField, f->lookup().resultField);
}

void RecordTableModel::resetAll()
{
    beginResetModel();
    rows_ = table_.positionCount();
    endResetModel();
}

void RecordTableModel::rowsChanged(RecordTable&, const RowNotice& n)
{
    const int cols = columnCount();
    switch (n.change) {
    case RowChange::Changed:
        if (n.position >= 0 && n.position < rows_ && cols > 0)
            emit dataChanged(index(n.position, 0), index(n.position, cols - 1));
        break;
    case RowChange::PendingAdded:
    case RowChange::Added:
        if (n.position < 0 || n.position > rows_) return resetAll();
        announcing_ = n;
        beginInsertRows({}, n.position, n.position);
        ++rows_;
        announcing_.reset();
        endInsertRows();
        break;
    case RowChange::PendingDropped:
    case RowChange::Removed:
        if (n.position < 0 || n.position >= rows_) return resetAll();
        announcing_ = n;
        beginRemoveRows({}, n.position, n.position);
        --rows_;
        announcing_.reset();
        endRemoveRows();
        break;
    case RowChange::Moved:
        if (n.position < 0 || n.position >= rows_ || n.to < 0 || n.to >= rows_) return resetAll();
        announcing_ = n;
        // Qt counts the destination before the row leaves.
        if (beginMoveRows({}, n.position, n.position, {}, n.to > n.position ? n.to + 1 : n.to)) {
            announcing_.reset();
            endMoveRows();
        }
        announcing_.reset();
        if (cols > 0) emit dataChanged(index(n.to, 0), index(n.to, cols - 1));
        break;
    case RowChange::Reset:
        resetAll();
        break;
    }
    // A notice the views could not follow would leave them showing other records: start over.
    if (rows_ != table_.positionCount()) resetAll();
}

void RecordTableModel::tableChanged(RecordTable&, TableChange change)
{
    switch (change) {
    case TableChange::Layout:
        for (Column& c : columns_)
        if (!c.computed) c.field = table_.findField(c.decl.field);
        resetAll();
        break;
    case TableChange::Data:
        // Calculated values of other rows may follow what changed: repaint what is shown.
        if (rows_ > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
        [[fallthrough]];
    case TableChange::Scroll:
    case TableChange::State:
        if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
        if (onCurrentRowChanged) onCurrentRowChanged(table_.currentViewPosition());
        break;
    }
}

} // namespace talvena
