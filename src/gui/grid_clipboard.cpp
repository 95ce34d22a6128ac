#include "gui/grid_clipboard.h"

#include "gui/error_handler.h"
#include "gui/record_grid_view.h"
#include "gui/record_table_model.h"
#include "gui/user_interaction.h"
#include "table/record_table.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <algorithm>

namespace talvena {

namespace {

const char* const kEmptyClipboard = "В буфере обмена нет ячеек для вставки.";

// The rows and shown columns a selection touches, in order.
struct Touched {
    std::vector<int> rows;
    std::vector<int> shown;
    std::vector<int> computed; // the page's own columns after the declared ones, by view column
};

} // namespace

GridClipboard::GridClipboard(RecordGridView* view) : QObject(view), view_(view)
{
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { showMenu(at); });
}

std::vector<int> GridClipboard::shownColumns() const
{
    std::vector<int> out;
    const QHeaderView* header = view_->horizontalHeader();
    const int declared = static_cast<int>(view_->decl().columns.size());
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && logical < declared && !header->isSectionHidden(logical)) out.push_back(logical);
    }
    return out;
}

GridTarget GridClipboard::currentTarget() const
{
    if (target) return target();
    GridTarget t;
    t.table = &view_->table();
    t.columns = view_->decl().columns;
    t.shown = shownColumns();
    t.appendRows = GridAppendsRows(view_->decl());
    return t;
}

bool GridClipboard::canWrite() const { return !view_->decl().readOnlyRows && !view_->table().readOnly(); }

CellBlock GridClipboard::selectedBlock() const
{
    const GridTarget t = currentTarget();
    std::vector<int> shownOf(static_cast<size_t>(view_->model()->columnCount()), -1);
    for (size_t i = 0; i < t.shown.size(); ++i)
        if (t.shown[i] >= 0 && t.shown[i] < static_cast<int>(shownOf.size())) shownOf[size_t(t.shown[i])] = int(i);

    const int declared = static_cast<int>(view_->decl().columns.size());
    const QHeaderView* header = view_->horizontalHeader();
    auto isComputed = [&](int column) { return column >= declared && !header->isSectionHidden(column); };

    const QItemSelectionModel* selection = view_->selectionModel();
    const QItemSelection ranges = selection->selection();
    Touched touched;
    if (ranges.isEmpty()) {
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid()) return {};
        touched.rows = {current.row()};
        if (shownOf[size_t(current.column())] >= 0) touched.shown = {shownOf[size_t(current.column())]};
        else if (isComputed(current.column())) touched.computed = {current.column()};
        else return {};
    } else {
        std::vector<char> rowMarks(static_cast<size_t>(view_->model()->rowCount()), 0);
        std::vector<char> columnMarks(t.shown.size(), 0);
        for (const QItemSelectionRange& r : ranges) {
            std::fill(rowMarks.begin() + r.top(), rowMarks.begin() + r.bottom() + 1, 1);
            for (int c = r.left(); c <= r.right(); ++c)
                if (shownOf[size_t(c)] >= 0) columnMarks[size_t(shownOf[size_t(c)])] = 1;
        }
        for (size_t r = 0; r < rowMarks.size(); ++r)
            if (rowMarks[r]) touched.rows.push_back(int(r));
        for (size_t c = 0; c < columnMarks.size(); ++c)
            if (columnMarks[c]) touched.shown.push_back(int(c));
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!isComputed(logical)) continue;
            if (std::any_of(ranges.begin(), ranges.end(), [&](const QItemSelectionRange& r) {
                    return r.left() <= logical && logical <= r.right();
                }))
                touched.computed.push_back(logical);
        }
    }
    // One rectangle is copied whole; cells between several ranges that are not selected stay empty.
    std::function<bool(int, int)> selected;
    if (ranges.size() > 1) {
        selected = [&](int row, int shown) {
            return selection->isSelected(view_->model()->index(row, t.shown[size_t(shown)]));
        };
    }
    CellBlock block = CopyCells(t, touched.rows, touched.shown, selected);
    // Columns the page computes (a contour's area) are copied as they are shown, after the others.
    for (size_t i = 0; i < touched.rows.size(); ++i)
        for (int column : touched.computed) {
            const QModelIndex index = view_->model()->index(touched.rows[i], column);
            const bool in = ranges.size() <= 1 || selection->isSelected(index);
            block.rows[i].append(in ? index.data(Qt::DisplayRole).toString() : QString());
        }
    block.numericColumns.resize(touched.shown.size() + touched.computed.size(), true);
    return block;
}

void GridClipboard::copy()
{
    RunGuarded([&] {
        const CellBlock block = selectedBlock();
        if (block.empty()) return;
        auto* data = new QMimeData;
        WriteClipboardBlock(block, *data);
        QApplication::clipboard()->setMimeData(data);
    });
}

void GridClipboard::paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return;
    pasteData(*data);
}

void GridClipboard::pasteData(const QMimeData& data)
{
    const CellBlock block = ReadClipboardBlock(data);
    if (block.empty()) {
        if (userInteractionInstalled()) userInteraction().showInformation(QString::fromUtf8(kEmptyClipboard));
        return;
    }
    pasteBlock(block);
}

void GridClipboard::pasteBlock(const CellBlock& block)
{
    if (!canWrite() || block.empty()) return;
    RunGuarded([&] {
        const GridTarget t = currentTarget();
        // The block goes to the top-left cell of the selection, or to the current cell.
        int row = -1, logical = -1;
        const QItemSelection ranges = view_->selectionModel()->selection();
        if (!ranges.isEmpty()) {
            row = ranges.first().top();
            int bestShown = INT_MAX;
            for (const QItemSelectionRange& r : ranges) {
                row = std::min(row, r.top());
                for (int c = r.left(); c <= r.right(); ++c) {
                    const auto it = std::find(t.shown.begin(), t.shown.end(), c);
                    if (it != t.shown.end() && int(it - t.shown.begin()) < bestShown) bestShown = int(it - t.shown.begin());
                }
            }
            if (bestShown != INT_MAX) logical = t.shown[size_t(bestShown)];
            else if (view_->currentIndex().isValid()) logical = view_->currentIndex().column(); // only computed columns
        } else if (view_->currentIndex().isValid()) {
            row = view_->currentIndex().row();
            logical = view_->currentIndex().column();
        }
        if (row < 0) row = 0;
        const auto it = std::find(t.shown.begin(), t.shown.end(), logical);
        const int shownColumn = it == t.shown.end() ? 0 : int(it - t.shown.begin());
        const PasteOutcome outcome = PasteBlock(t, row, shownColumn, block);
        selectWritten(outcome, shownColumn, std::min(block.width(), int(t.shown.size()) - shownColumn));
        report(outcome, block.height() == 1 && block.width() == 1);
        if (outcome.taken > 0 && afterChange) afterChange();
    });
}

void GridClipboard::clearSelected()
{
    if (!canWrite()) return;
    RunGuarded([&] {
        const GridTarget t = currentTarget();
        std::vector<int> shownOf(static_cast<size_t>(view_->model()->columnCount()), -1);
        for (size_t i = 0; i < t.shown.size(); ++i) shownOf[size_t(t.shown[i])] = int(i);
        std::vector<GridCell> cells;
        QItemSelection ranges = view_->selectionModel()->selection();
        if (ranges.isEmpty() && view_->currentIndex().isValid())
            ranges.select(view_->currentIndex(), view_->currentIndex());
        for (const QItemSelectionRange& r : ranges)
            for (int row = r.top(); row <= r.bottom(); ++row)
                for (int c = r.left(); c <= r.right(); ++c)
                    if (shownOf[size_t(c)] >= 0) cells.push_back({row, shownOf[size_t(c)]});
        const PasteOutcome outcome = ClearCells(t, std::move(cells));
        report(outcome, true);
        if (outcome.taken > 0 && afterChange) afterChange();
    });
}

void GridClipboard::selectWritten(const PasteOutcome& o, int shownColumn, int width)
{
    const GridTarget t = currentTarget();
    QAbstractItemModel* model = view_->model();
    if (o.firstRow < 0 || width <= 0 || model->rowCount() == 0) return;
    const int top = std::min(o.firstRow, model->rowCount() - 1);
    const int bottom = std::min(o.lastRow, model->rowCount() - 1);
    QItemSelection written;
    for (int c = shownColumn; c < shownColumn + width && c < int(t.shown.size()); ++c)
        written.select(model->index(top, t.shown[size_t(c)]), model->index(bottom, t.shown[size_t(c)]));
    view_->setCurrentIndex(model->index(top, t.shown[size_t(shownColumn)]));
    view_->selectionModel()->select(written, QItemSelectionModel::ClearAndSelect);
}

void GridClipboard::report(const PasteOutcome& o, bool quietWhenSimple)
{
    if (!userInteractionInstalled()) return;
    if (o.refusals.empty() && (quietWhenSimple || o.taken + o.skipped == 0)) return;
    const QString text = PasteSummary(o, quietWhenSimple && o.appended == 0 ? QStringLiteral("Записано")
                                                                             : QStringLiteral("Вставлено"));
    if (text.isEmpty()) return;
    if (o.refusals.empty()) userInteraction().showInformation(text);
    else userInteraction().showWarning(text);
}

bool GridClipboard::handleKey(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    if (e->matches(QKeySequence::Paste)) {
        if (canWrite()) paste();
        return true;
    }
    if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier && canWrite()) {
        clearSelected();
        return true;
    }
    return false;
}

void GridClipboard::showMenu(const QPoint& at)
{
    // A click outside the selection selects the cell clicked, as spreadsheets do.
    const QModelIndex index = view_->indexAt(at);
    if (index.isValid() && !view_->selectionModel()->isSelected(index)) view_->setCurrentIndex(index);
    QMenu menu(view_);
    menu.setObjectName(QStringLiteral("GridClipboardMenu"));
    QAction* copyAction = menu.addAction(QStringLiteral("Копировать"), this, [this] { copy(); });
    copyAction->setObjectName(QStringLiteral("CopyCells"));
    copyAction->setShortcut(QKeySequence::Copy);
    QAction* pasteAction = menu.addAction(QStringLiteral("Вставить"), this, [this] { paste(); });
    pasteAction->setObjectName(QStringLiteral("PasteCells"));
    pasteAction->setShortcut(QKeySequence::Paste);
    pasteAction->setEnabled(canWrite());
    QAction* clearAction = menu.addAction(QStringLiteral("Очистить"), this, [this] { clearSelected(); });
    clearAction->setObjectName(QStringLiteral("ClearCells"));
    clearAction->setShortcut(QKeySequence(Qt::Key_Delete));
    clearAction->setEnabled(canWrite());
    menu.exec(view_->viewport()->mapToGlobal(at));
}

} // namespace talvena
