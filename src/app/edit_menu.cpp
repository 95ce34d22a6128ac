#include "app/edit_menu.h"

#include "app/grid_pages.h"
#include "app/main_window.h"
#include "gui/error_handler.h"
#include "gui/field_binders.h"
#include "model/data_module.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

namespace talvena {

namespace {

constexpr int kDocumentsOuterPage = 1;

// The text field that holds the focus, also inside a spin box or an editable drop-down.
QLineEdit* focusedLineEdit()
{
    QWidget* w = QApplication::focusWidget();
    if (!w) return nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line;
    if (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w)) return w->findChild<QLineEdit*>();
    return nullptr;
}

bool typingToUndo(bool undo)
{
    QLineEdit* line = focusedLineEdit();
    return line && !line->isReadOnly() && (undo ? line->isUndoAvailable() : line->isRedoAvailable());
}

} // namespace

EditMenu::EditMenu(TMainForm& window) : QObject(&window), window_(window), dm_(window.dataModule())
{
    QMenuBar* bar = window_.menuBar();
    auto* menu = new QMenu(QStringLiteral("Правка"), bar);
    menu->setObjectName(QStringLiteral("EditMenu"));
    const QList<QAction*> menus = bar->actions();
    bar->insertMenu(menus.size() > 1 ? menus[1] : nullptr, menu);
    undo_ = menu->addAction(QStringLiteral("Отменить"));
    undo_->setObjectName(QStringLiteral("EditUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = menu->addAction(QStringLiteral("Вернуть"));
    redo_->setObjectName(QStringLiteral("EditRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction* a : {undo_, redo_}) a->setShortcutContext(Qt::WindowShortcut);
    connect(undo_, &QAction::triggered, this, [this] { undo(); });
    connect(redo_, &QAction::triggered, this, [this] { redo(); });
    dm_.journal().onChanged = [this] { update(); };
    qApp->installEventFilter(this);
    update();
}

EditMenu::~EditMenu() { dm_.journal().onChanged = nullptr; }

void EditMenu::update()
{
    const EditJournal& j = dm_.journal();
    undo_->setEnabled(j.canUndo());
    redo_->setEnabled(j.canRedo());
    undo_->setText(j.canUndo() ? QStringLiteral("Отменить «%1»").arg(j.undoName()) : QStringLiteral("Отменить"));
    redo_->setText(j.canRedo() ? QStringLiteral("Вернуть «%1»").arg(j.redoName()) : QStringLiteral("Вернуть"));
}

// A text field takes the undo and redo keys for itself; it keeps them only while it has typing
// of its own to undo or redo, so that after that the keys reach the passport's actions.
bool EditMenu::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride && watched == QApplication::focusWidget()) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool isUndo = key->matches(QKeySequence::Undo);
        const bool isRedo = key->matches(QKeySequence::Redo) ||
                            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
        if ((isUndo || isRedo) && focusedLineEdit() && !typingToUndo(isUndo) && window_.isActiveWindow())
            return true; // not delivered, so not accepted: the window's shortcut runs
    }
    return QObject::eventFilter(watched, e);
}

void EditMenu::undo() { replay(true); }
void EditMenu::redo() { replay(false); }

void EditMenu::replay(bool undo)
{
    if (typingToUndo(undo)) {
        QLineEdit* line = focusedLineEdit();
        undo ? line->undo() : line->redo();
        return;
    }
    EditJournal::Place place;
    if (!RunGuarded([&] { place = undo ? dm_.UndoAction() : dm_.RedoAction(); }) || !place.table) return;

    // Bring the change into view: its page, its row (the table made it current) and its control.
    RecordTable* t = place.table;
    if (t == &dm_.FILES) {
        RunGuarded([this] { window_.BuildFileLists(); });
        window_.PageControl1()->setCurrentIndex(kDocumentsOuterPage);
        return;
    }
    window_.PageControl1()->setCurrentIndex(0);
    int page = -1;
    if (t == &dm_.REFLECT_HORIZONTS) page = GridPages::kReflectingPage;
    else if (t == &dm_.POSIB_PRODUCT_HOR) page = GridPages::kProductivePage;
    else if (t == &dm_.KONTUR) page = GridPages::kContourPage;
    QWidget* control = nullptr;
    if (t == &dm_.PASPORTS && !place.field.isEmpty()) {
        control = window_.controlOfField(place.field);
        for (int i = 0; control && i < TMainForm::kInnerPageCount && page < 0; ++i)
            if (window_.innerPage(i) && window_.innerPage(i)->isAncestorOf(control)) page = i;
    }
    if (page >= 0) window_.PageControl2()->setCurrentIndex(page);
    if (control && control->isEnabled()) control->setFocus(Qt::OtherFocusReason);
}

} // namespace talvena
