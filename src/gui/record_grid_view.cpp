#include "gui/record_grid_view.h"

#include "gui/error_handler.h"
#include "gui/field_editor.h"
#include "gui/grid_clipboard.h"
#include "gui/record_table_model.h"
#include "gui/user_interaction.h"
#include "gui/wheel_policy.h"
#include "table/record_table.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

namespace talvena {

namespace {

constexpr int kRowHeight = 17;
constexpr int kIndicatorWidth = 14;
constexpr int kEditButtonWidth = 16;
constexpr int kMinimumColumnWidth = 80;
constexpr int kCellMargin = 3;
constexpr int kTitleMargin = 2; // either side of a title
const char* const kDeleteQuestion = "Delete record?";

bool editing(const RecordTable& t) { return t.state() == TableState::Edit || t.state() == TableState::Insert; }

// Titles centred and word-wrapped in a title row of fixed height, with the sort arrow.
class TitleHeader : public QHeaderView {
public:
    TitleHeader(int height, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), height_(height)
    {
        setSectionsMovable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignCenter);
        setFixedHeight(height_);
        setMinimumSectionSize(24);
    }

    QSize sizeHint() const override { return {QHeaderView::sizeHint().width(), height_}; }

    // What the style's sort arrow takes from the right of a section of this height, with a gap
    // before the title; the title is drawn beside it, never under it.
    int sortMarkRoom(int sectionHeight) const
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = QRect(0, 0, 1000, sectionHeight);
        option.sortIndicator = QStyleOptionHeader::SortDown;
        const QRect arrow = style()->subElementRect(QStyle::SE_HeaderArrow, &option, this);
        return arrow.isValid() ? std::max(0, option.rect.right() - arrow.left() + 1) + 2 : 0;
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!rect.isValid()) return;
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = logicalIndex;
        option.text.clear();
        option.sortIndicator = QStyleOptionHeader::None;
        if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex)
            option.sortIndicator = sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortDown
                                                                               : QStyleOptionHeader::SortUp;
        // The style leaves its own clip behind; the title is drawn on a clean state.
        painter->save();
        style()->drawControl(QStyle::CE_Header, &option, painter, this);
        painter->restore();
        const QString title = model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole).toString();
        const int arrow = option.sortIndicator == QStyleOptionHeader::None ? 0 : sortMarkRoom(rect.height());
        painter->save();
        painter->setPen(palette().color(QPalette::ButtonText));
        const QRect room = rect.adjusted(kTitleMargin, 1, -kTitleMargin - arrow, -1);
        if (room.height() < 2 * fontMetrics().height()) // a one-line title row: cut the title short
            painter->drawText(room, Qt::AlignCenter, fontMetrics().elidedText(title, Qt::ElideRight, room.width()));
        else
            painter->drawText(room, Qt::AlignCenter | Qt::TextWordWrap, title);
        painter->restore();
    }

private:
    int height_;
};

// The row indicator: a flat section with the mark of the current row, cheaper to draw than a styled
// header section for every row shown.
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

protected:
    // The column has a fixed width and the rows a fixed height. Asked of the style, every notice
    // of a changed mark (each move of the current record) had the size measured from the fonts of
    // two hundred rows, a third of the time of moving to another horizon.
    QSize sectionSizeFromContents(int) const override { return {kIndicatorWidth, defaultSectionSize()}; }

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        painter->fillRect(rect, palette().brush(QPalette::Button));
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        const QString mark = model()->headerData(logicalIndex, Qt::Vertical, Qt::DisplayRole).toString();
        if (mark.isEmpty()) return;
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(rect, Qt::AlignCenter, mark);
    }
};

// Editors: a drop-down of the lookup's names for lookup columns, a line edit that refuses what the
// field does not take for the others; picker columns draw their edit button in the current row.
class RecordGridDelegate : public QStyledItemDelegate {
public:
    explicit RecordGridDelegate(RecordGridView* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        RecordTableModel* m = view_->recordModel();
        if (m->column(index.column()).kind == ColumnKind::Lookup) {
            auto* combo = new QComboBox(parent);
            std::vector<FieldChoice> choices = m->lookupChoices(index.column());
            // An entry that empties the field, unless the lookup table has one (dictionaries do).
            if (std::none_of(choices.begin(), choices.end(), [](const auto& c) { return c.text.isEmpty(); }))
                choices.insert(choices.begin(), FieldChoice{});
            FillChoices(combo, choices);
            takeWheelOnlyWithFocus(combo);
            // The list opens at once, as a drop-down cell does when it is entered.
            QTimer::singleShot(0, combo, [combo] {
                if (combo->isVisible()) combo->showPopup();
            });
            return combo;
        }
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        Field* f = m->field(index.column());
        SetUpFieldTyping(edit, [f] { return f; });
        // What the user typed is not overwritten when the record changes under the editor.
        QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] { edit->setProperty("typed", true); });
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            const QVariant key = index.data(RecordTableModel::LookupKeyRole);
            const int at = key.isValid() ? combo->findData(key) : 0;
            combo->setCurrentIndex(at < 0 ? 0 : at);
            return;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            // An editor that stays after a refusal keeps what was typed.
            if (!edit->property("typed").toBool()) edit->setText(index.data(Qt::EditRole).toString());
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            model->setData(index, combo->currentData(), Qt::EditRole);
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            model->setData(index, edit->text(), Qt::EditRole);
    }

    // Cells are one line of text: drawn directly rather than through the style's general item
    // layout, which costs several times as much on a grid scrolled through a million points.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty()) {
            const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
            const QRect room = option.rect.adjusted(kCellMargin, 0, -kCellMargin, 0);
            painter->save();
            painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
            painter->drawText(room, int(align) | Qt::TextSingleLine,
                              surelyFits(option, text, room.width())
                                  ? text
                                  : option.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            view_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view_);
        }
        const QRect button = view_->editButtonRect(index);
        if (button.isNull()) return;
        QStyleOptionButton b;
        b.rect = button;
        b.text = QStringLiteral("…");
        b.state = QStyle::State_Enabled | QStyle::State_Raised;
        view_->style()->drawControl(QStyle::CE_PushButton, &b, painter, view_);
    }

    // A block of cells pasted while one cell is being typed goes into the grid, as a spreadsheet
    // pastes it, rather than squeezed into that one cell.
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste) &&
            view_->clipboard() && view_->clipboard()->canWrite()) {
            const QMimeData* data = QApplication::clipboard()->mimeData();
            const CellBlock block = data ? ReadClipboardBlock(*data) : CellBlock();
            if (block.height() > 1 || block.width() > 1) {
                emit closeEditor(qobject_cast<QWidget*>(object), QAbstractItemDelegate::RevertModelCache);
                view_->clipboard()->pasteBlock(block);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    // Whether the text fits without measuring it as laid out: the sum of the characters' own
    // advances (cached per font) is what a single line of Latin or Cyrillic text and digits takes.
    // Laying a text out to elide it cost as much as drawing it, for texts that nearly always fit.
    bool surelyFits(const QStyleOptionViewItem& option, const QString& text, int room) const
    {
        if (text.size() > room) return false;
        if (!measured_ || option.font != advancesFont_) {
            advancesFont_ = option.font;
            measured_ = true;
            std::fill(std::begin(advances_), std::end(advances_), short(-1));
        }
        int width = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= std::size(advances_)) return false; // beyond the cached range: measure it properly
            short& a = advances_[u];
            if (a < 0) a = short(option.fontMetrics.horizontalAdvance(c));
            width += a + 1; // a pixel per character for kerning and rounding
            if (width > room) return false;
        }
        return true;
    }

    RecordGridView* view_;
    mutable bool measured_ = false;
    mutable QFont advancesFont_;
    mutable short advances_[0x500] = {};
};

} // namespace

RecordGridView::RecordGridView(const GridDecl& decl, RecordTable& table, QWidget* parent)
    : QTableView(parent), decl_(decl), model_(new RecordTableModel(table, decl.columns, this))
{
    setObjectName(QString::fromLatin1(decl.objectName));
    auto* header = new TitleHeader(decl.titleHeight, this);
    // Titles are clicked to sort, and with Ctrl to select their column.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    setHorizontalHeader(header);
    setVerticalHeader(new IndicatorHeader(this));
    setModel(model_);
    setItemDelegate(new RecordGridDelegate(this));

    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(kRowHeight);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setFixedWidth(kIndicatorWidth);
    rows->setDefaultAlignment(Qt::AlignCenter);
    rows->setSectionsClickable(true); // the indicator selects rows
    for (int c = 0; c < model_->columnCount(); ++c) sizeColumn(c);

    setSelectionMode(decl.readOnlyRows ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    if (decl.readOnlyRows) {
        // A list to pick from: the whole row is the choice and nothing is typed in place.
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setTabKeyNavigation(false);
    }
    setShowGrid(true);
    setWordWrap(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    model_->onCurrentRowChanged = [this](int row) { followTable(row); };
    // A title selects its column only with Ctrl, never by a plain click, which sorts.
    disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
    connect(header, &QHeaderView::sectionPressed, this, [this](int logical) {
        if (QApplication::keyboardModifiers() & Qt::ControlModifier) selectColumnByTitle(logical);
    });
    connect(header, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (QApplication::keyboardModifiers() & Qt::ControlModifier) return;
        if (decl_.sortableTitles && onTitleClick) RunGuarded([&] { onTitleClick(logical); });
    });
    connect(header, &QHeaderView::sectionMoved, this, [this] {
        if (onColumnsRearranged) onColumnsRearranged();
    });
    followTable(table.currentViewPosition());
    clipboard_ = new GridClipboard(this);
}

RecordGridView::~RecordGridView() { model_->onCurrentRowChanged = nullptr; }

// Wide enough for the longest word of the title, which wraps into the title row.
void RecordGridView::sizeColumn(int c)
{
    const GridColumnDecl& column = model_->column(c);
    if (column.width > 0) return horizontalHeader()->resizeSection(c, column.width);
    const QFontMetrics metrics(horizontalHeader()->font());
    const QString title = QString::fromUtf8(column.title);
    int widest = 0;
    for (const QString& word : title.split(' ', Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word));
    // Room for the sort arrow whenever a title click may sort, so the arrow never covers a letter.
    const int beside = 2 * kTitleMargin + 12 +
                       (decl_.sortableTitles ? static_cast<TitleHeader*>(horizontalHeader())->sortMarkRoom(decl_.titleHeight) : 0);
    // Then wider until the wrapped title fits the title row (a one-line row cuts it short instead).
    int width = std::max(kMinimumColumnWidth, widest + beside);
    const int room = decl_.titleHeight - 2;
    if (room >= 2 * metrics.height()) {
        while (width < 4 * kMinimumColumnWidth &&
               metrics.boundingRect(QRect(0, 0, width - beside, 10000), Qt::TextWordWrap | Qt::AlignCenter, title).height() > room)
            width += 10;
    } else {
        width = std::clamp(metrics.horizontalAdvance(title) + beside, kMinimumColumnWidth, 3 * kMinimumColumnWidth);
    }
    horizontalHeader()->resizeSection(c, width);
}

void RecordGridView::addComputedColumn(const char* title, std::function<QString(uint32_t storedRow)> text)
{
    model_->addComputedColumn(title, std::move(text));
    sizeColumn(model_->columnCount() - 1);
}

RecordTable& RecordGridView::table() const { return model_->table(); }

void RecordGridView::setSortMark(int column, bool descending)
{
    sortColumn_ = column;
    sortDescending_ = descending;
    horizontalHeader()->setSortIndicatorShown(column >= 0);
    if (column >= 0) horizontalHeader()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    horizontalHeader()->viewport()->update();
}

std::vector<int> RecordGridView::shownOrder() const
{
    std::vector<int> order;
    for (int visual = 0; visual < model_->columnCount(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (logical < int(decl_.columns.size())) order.push_back(logical); // computed columns are the page's own
    }
    return order;
}

QRect RecordGridView::editButtonRect(const QModelIndex& index) const
{
    if (!index.isValid() || model_->column(index.column()).kind != ColumnKind::Picker) return {};
    if (index.row() != currentIndex().row() || index.column() != currentIndex().column()) return {};
    const QRect cell = visualRect(index);
    return {cell.right() - kEditButtonWidth + 1, cell.top(), kEditButtonWidth, cell.height()};
}

// --- following the table ---------------------------------------------------------------------------

void RecordGridView::followTable(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        viewport()->update();
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : horizontalHeader()->logicalIndex(0);
    if (currentIndex().row() == row) {
        viewport()->update();
        return;
    }
    ++following_;
    setCurrentIndex(model_->index(row, column < 0 ? 0 : column));
    --following_;
    scrollTo(currentIndex());
}

void RecordGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    refused_ = false;
    QTableView::currentChanged(current, previous); // commits and closes an open editor
    if (refused_) {
        // The typed value was refused: stay in its cell.
        QTimer::singleShot(0, this, [this, back = QPersistentModelIndex(previous)] {
            if (back.isValid()) {
                ++following_;
                setCurrentIndex(back);
                --following_;
            }
        });
        return;
    }
    viewport()->update(); // the edit button follows the current cell
    if (following_ > 0 || !current.isValid() || current.row() == previous.row()) return;
    RunGuarded([&] { model_->makeRowCurrent(current.row()); });
    // Settling may have moved or refused: show where the table really is.
    followTable(table().currentViewPosition());
}

bool RecordGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (index.isValid() && model_->column(index.column()).kind == ColumnKind::Picker &&
        (trigger == EditKeyPressed || trigger == DoubleClicked)) {
        pressEditButton(index.column());
        return false;
    }
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened && !editing(table())) {
        // Typing starts an edit of the record, which the row indicator shows.
        RunGuarded([&] {
            if (model_->makeRowCurrent(index.row())) table().edit();
        });
    }
    return opened;
}

void RecordGridView::commitData(QWidget* editor)
{
    if (reporting_) return;
    QTableView::commitData(editor);
    refused_ = !model_->lastError().isEmpty();
    if (refused_) {
        editor->setProperty("typed", true);
        reportRefusal(editor, currentIndex());
    }
}

void RecordGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (refused_ || reporting_) return; // the editor keeps the typed text and the focus
    if (editor) editor->setProperty("typed", false);
    QTableView::closeEditor(editor, hint);
}

void RecordGridView::reportRefusal(QWidget* editor, const QModelIndex& at)
{
    reporting_ = true;
    const QString message = model_->lastError();
    QPointer<QWidget> keep(editor);
    // Reported once the focus change under way has ended; the editor then gets the focus back.
    QTimer::singleShot(0, this, [this, message, keep, at = QPersistentModelIndex(at)] {
        if (userInteractionInstalled()) userInteraction().showError(message);
        reporting_ = false;
        refused_ = false;
        if (keep) {
            keep->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(keep.data())) edit->selectAll();
        }
    });
}

// --- keys and mouse ----------------------------------------------------------------------------------

void RecordGridView::insertRecord()
{
    if (decl_.readOnlyRows) return;
    RunGuarded([&] { table().insert(); });
}

void RecordGridView::deleteRecord()
{
    if (decl_.refusesDelete || decl_.readOnlyRows) return;
    RunGuarded([&] {
        if (table().positionCount() == 0) return;
        if (!userInteraction().askYesNo(BoxCaption::Confirmation, QString::fromLatin1(kDeleteQuestion))) return;
        table().deleteRecord();
    });
}

void RecordGridView::pressEditButton(int column)
{
    if (!onEditButton) return;
    RunGuarded([&] { onEditButton(column); });
}

void RecordGridView::selectColumnByTitle(int column)
{
    if (decl_.readOnlyRows || model_->rowCount() == 0) return;
    // Further Ctrl-clicked titles add their columns to whole columns already selected.
    const bool adding = !selectionModel()->selectedColumns().isEmpty();
    const QItemSelection whole(model_->index(0, column), model_->index(model_->rowCount() - 1, column));
    selectionModel()->select(whole, (adding ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
                                        QItemSelectionModel::Columns);
    // The current record stays: only the current column moves.
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::NoUpdate);
}

void RecordGridView::keyPressEvent(QKeyEvent* e)
{
    if (clipboard_ && clipboard_->handleKey(e)) return;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Insert:
        if (e->modifiers() == Qt::NoModifier) return insertRecord();
        break;
    case Qt::Key_Delete:
        if (ctrl) return deleteRecord();
        break;
    case Qt::Key_Escape:
        if (editing(table())) {
            RunGuarded([&] { table().cancel(); });
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl && currentIndex().isValid() && model_->column(currentIndex().column()).kind == ColumnKind::Picker)
            return pressEditButton(currentIndex().column());
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(e);
}

void RecordGridView::mousePressEvent(QMouseEvent* e)
{
    const QModelIndex index = indexAt(e->position().toPoint());
    if (editButtonRect(index).contains(e->position().toPoint())) {
        pressEditButton(index.column());
        return;
    }
    QTableView::mousePressEvent(e);
}

void RecordGridView::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid() && model_->column(index.column()).kind == ColumnKind::Picker) {
        pressEditButton(index.column());
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
}

void RecordGridView::focusOutEvent(QFocusEvent* e)
{
    QTableView::focusOutEvent(e);
    // Leaving the grid drops a new row nobody typed into (the focus going to the grid's own
    // editor, or to a dialog the grid opened, is not leaving it).
    QWidget* to = QApplication::focusWidget();
    if (!to || isAncestorOf(to) || to == this || QApplication::activeModalWidget()) return;
    RecordTable& t = table();
    if (t.state() == TableState::Insert && !t.modified()) RunGuarded([&] { t.cancel(); });
}

} // namespace talvena
