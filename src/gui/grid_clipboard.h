#pragma once
// The clipboard commands of a record grid: Ctrl+C and "Копировать" put the selected cells on the
// clipboard as tab-separated text and an HTML table, Ctrl+V and "Вставить" write the clipboard's
// block at the selection's top-left cell, Delete clears the selected editable cells. Each paste or
// clearing is one undo step and ends with one message about what was taken and what was refused.
#include "model/grid_paste.h"

#include <QObject>
#include <functional>

class QKeyEvent;
class QMimeData;
class QPoint;

namespace talvena {

class RecordGridView;

class GridClipboard : public QObject {
public:
    explicit GridClipboard(RecordGridView* view);

    // What a paste writes into. By default the grid's own table, its declared columns in the order
    // shown, and new rows where the grid inserts them; pages over the passport set their own.
    std::function<GridTarget()> target;
    // After a paste or a clearing wrote something.
    std::function<void()> afterChange;

    // The selected cells (the current cell when nothing is selected) as the clipboard gets them.
    CellBlock selectedBlock() const;
    void copy();
    void paste();
    void pasteData(const QMimeData& data);
    void pasteBlock(const CellBlock& block);
    void clearSelected();
    bool canWrite() const;
    // Logical columns in the order shown, without hidden and computed ones: the `shown` of a target.
    std::vector<int> shownColumns() const;

    // The keys of the commands; true when the key was one of them.
    bool handleKey(QKeyEvent* e);

private:
    GridTarget currentTarget() const;
    void showMenu(const QPoint& at);
    void report(const PasteOutcome& outcome, bool quietWhenSimple);
    void selectWritten(const PasteOutcome& outcome, int shownColumn, int width);

    RecordGridView* view_;
};

} // namespace talvena
