#pragma once
// A one-column, read-only list of a dictionary's visible NAME texts, shown as a grid without a
// title row where one whole row is selected at a time. Row r stands for the table's visible
// position r. The texts are copied on reload(), so the owner reloads after it changes the
// table's filter; nothing else changes a dictionary while a picker is open.
#include <QAbstractListModel>
#include <QStringList>
#include <QTableView>

namespace talvena {

class RecordTable;

class DictionaryListModel : public QAbstractListModel {
public:
    explicit DictionaryListModel(RecordTable& table, QObject* parent = nullptr);
    void reload();
    RecordTable& table() const { return table_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    RecordTable& table_;
    QStringList names_;
};

class DictionaryListView : public QTableView {
public:
    DictionaryListView(RecordTable& table, QWidget* parent);
    DictionaryListModel& list() const { return *model_; }
    // Reads the table again and puts the highlight on its current record.
    void reload();
    void showTableCurrent();

private:
    DictionaryListModel* model_;
};

} // namespace talvena
