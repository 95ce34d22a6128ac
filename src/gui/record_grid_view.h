#pragma once
// The one grid view of every record grid: rows of 17 pixels, word-wrapped centred titles in a title
// row of the declared height with the sort arrow, movable and resizable columns, a row indicator,
// in-place editing (a drop-down for lookup columns, an edit button for picker columns), and the
// keys of a record grid: Insert inserts, Ctrl+Delete deletes after asking, Escape cancels, Tab moves
// between cells. Cells are selected in ranges (Shift+arrows, a drag, rows by the indicator, columns
// by their title with Ctrl, everything with Ctrl+A) for the clipboard commands. The view's current row and the table's current record are kept one. A grid
// declared with read-only rows selects whole rows and edits, inserts and deletes nothing.
//
// A value the field refuses is reported and stays typed in the editor, which keeps the focus.
#include "model/grid_decl.h"

#include <QTableView>
#include <functional>

namespace talvena {

class GridClipboard;
class RecordTable;
class RecordTableModel;

class RecordGridView : public QTableView {
public:
    RecordGridView(const GridDecl& decl, RecordTable& table, QWidget* parent = nullptr);
    ~RecordGridView() override;

    const GridDecl& decl() const { return decl_; }
    RecordTableModel* recordModel() const { return model_; }
    RecordTable& table() const;
    GridClipboard* clipboard() const { return clipboard_; }

    // The edit button of a picker column (also a double click on its cell, F2 or Ctrl+Enter).
    std::function<void(int column)> onEditButton;
    // A click on a column title (sortable grids only); `column` is the declared (logical) column.
    std::function<void(int column)> onTitleClick;
    // The user moved or hid columns: the order of declared columns as shown.
    std::function<void()> onColumnsRearranged;

    // A read-only column after the declared ones, with its text computed per stored row.
    void addComputedColumn(const char* title, std::function<QString(uint32_t storedRow)> text);

    // The sort mark drawn in a title: the column and its direction; -1 for none.
    void setSortMark(int column, bool descending);
    int sortColumn() const { return sortColumn_; }
    bool sortDescending() const { return sortDescending_; }
    // Declared column indexes in the order they are shown.
    std::vector<int> shownOrder() const;

    // The rectangle of the edit button of a picker cell, in viewport coordinates.
    QRect editButtonRect(const QModelIndex& index) const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void followTable(int row);
    void sizeColumn(int column);
    void pressEditButton(int column);
    void insertRecord();
    void deleteRecord();
    void reportRefusal(QWidget* editor, const QModelIndex& at);
    void selectColumnByTitle(int column);

    const GridDecl& decl_;
    RecordTableModel* model_;
    GridClipboard* clipboard_ = nullptr;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    int following_ = 0;         // the view moves because the table did
    bool refused_ = false;      // the last commit was refused: the editor stays
    bool reporting_ = false;    // a refusal is being reported
};

} // namespace talvena
