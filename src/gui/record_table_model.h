#pragma once
// One Qt table model over a record table, for every record grid: a row per view position (the
// visible records and a pending new record), a column per declared grid column. It keeps no
// object per row and asks the table only for the rows a view paints; it follows the table through
// its row notices, so a change to one record repaints one row.
#include "model/grid_decl.h"
#include "gui/field_editor.h"
#include "table/record_table.h"

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace talvena {

class RecordTableModel : public QAbstractTableModel, public TableObserver {
public:
    // Roles beyond Qt's own.
    enum Role {
        LookupKeyRole = Qt::UserRole + 1, // the key a lookup column's text stands for
    };

    RecordTableModel(RecordTable& table, std::span<const GridColumnDecl> columns, QObject* parent = nullptr);
    ~RecordTableModel() override;

    RecordTable& table() const { return table_; }
    // Declared columns first, then computed ones; a computed column has no field.
    const GridColumnDecl& column(int c) const { return columns_[size_t(c)].decl; }
    Field* field(int c) const { return columns_[size_t(c)].field; }

    // A read-only column after the declared ones whose text the page computes per stored row
    // (something shown beside the record that is no field of it).
    void addComputedColumn(const char* title, std::function<QString(uint32_t storedRow)> text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes typed text (or a lookup's chosen key) into the field of the record at the row, which
    // becomes current first. False when the field refused it; lastError() then says why.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    const QString& lastError() const { return lastError_; }

    // The lookup column's choices: the names of the lookup table's visible records with their keys.
    std::vector<FieldChoice> lookupChoices(int column) const;

    // Makes the record shown at a row current (settling a pending record first); false when the
    // row is the pending new record or out of range.
    bool makeRowCurrent(int row);

    void tableChanged(RecordTable& table, TableChange change) override;
    void rowsChanged(RecordTable& table, const RowNotice& notice) override;

    // Told when the table's current record stands at another row (or its state changed).
    std::function<void(int row)> onCurrentRowChanged;

private:
    struct Column {
        GridColumnDecl decl;
        Field* field;
        std::function<QString(uint32_t storedRow)> computed;
    };
    void resetAll();
    // The table position a row of the views stands for. The table has changed before a notice
    // arrives, so while Qt announces the change the views still count rows as before it.
    int tablePosition(int row) const;

    RecordTable& table_;
    std::optional<RowNotice> announcing_;
    std::vector<Column> columns_;
    int rows_ = 0; // what the views were told
    QString lastError_;
};

} // namespace talvena
