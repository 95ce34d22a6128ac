#include "dialogs/dictionary_list.h"

#include "base/cp1251.h"
#include "table/record_table.h"

#include <QHeaderView>

namespace talvena {

DictionaryListModel::DictionaryListModel(RecordTable& table, QObject* parent)
    : QAbstractListModel(parent), table_(table)
{
    reload();
}

void DictionaryListModel::reload()
{
    beginResetModel();
    names_.clear();
    if (const Field* name = table_.active() ? table_.findField("NAME") : nullptr) {
        names_.reserve(table_.visibleCount());
        for (int pos = 0; pos < table_.visibleCount(); ++pos) {
            const Value v = table_.rowValue(table_.visibleRow(pos), *name);
            names_.append(v.isBytes() ? cp1251ToUnicode(v.bytesValue()) : QString());
        }
    }
    endResetModel();
}

int DictionaryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant DictionaryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= names_.size()) return {};
    return names_[index.row()];
}

DictionaryListView::DictionaryListView(RecordTable& table, QWidget* parent)
    : QTableView(parent), model_(new DictionaryListModel(table, this))
{
    setModel(model_);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(false);
    showTableCurrent();
}

void DictionaryListView::reload()
{
    model_->reload();
    showTableCurrent();
}

void DictionaryListView::showTableCurrent()
{
    const int pos = model_->table().active() ? model_->table().currentPosition() : -1;
    const QModelIndex index = model_->index(pos, 0);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
    } else {
        clearSelection();
        setCurrentIndex({});
    }
}

} // namespace talvena
