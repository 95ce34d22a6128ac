#include "gui/field_binders.h"

#include "gui/error_handler.h"
#include "gui/field_editor.h"
#include "gui/number_spinner.h"
#include "gui/user_interaction.h"
#include "base/cp1251.h"
#include "base/error.h"
#include "table/edit_journal.h"
#include "table/number_text.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVariant>

namespace talvena {

namespace {

// Makes every page that holds the widget the current one of its page control.
void revealPage(QWidget* w)
{
    for (QWidget* child = w, *parent = w ? w->parentWidget() : nullptr; parent;
         child = parent, parent = parent->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
            if (stack->indexOf(child) >= 0 && stack->currentWidget() != child) {
                // A QTabWidget owns the stack: switch through it so its tab follows.
                if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget())) tabs->setCurrentWidget(child);
                else stack->setCurrentWidget(child);
            }
        }
    }
}

bool isLeaving(const QFocusEvent* e)
{
    // Another window taking the focus (a message box) or a popup menu is not leaving the control.
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

} // namespace

// --- FieldBinder -------------------------------------------------------------------------------

FieldBinder::FieldBinder(RecordTable& table, QByteArray fieldName, QWidget* control)
    : QObject(control), table_(table), fieldName_(std::move(fieldName)), control_(control)
{
    table_.addObserver(this);
}

FieldBinder::~FieldBinder() { table_.removeObserver(this); }

void FieldBinder::tableChanged(RecordTable&, TableChange) { refresh(); }

void FieldBinder::beginEdit()
{
    if (table_.state() != TableState::Edit && table_.state() != TableState::Insert) table_.edit();
}

void FieldBinder::runChange()
{
    if (onChange) RunGuarded(onChange);
}

void FieldBinder::asUserAction(const std::function<void()>& work)
{
    if (actionName.isEmpty()) return work();
    const EditJournal::Action action(table_.journal(), actionName);
    work();
    if (table_.state() == TableState::Edit || table_.state() == TableState::Insert) table_.post();
}

void FieldBinder::keepFocus()
{
    QPointer<QWidget> w = control_;
    QMetaObject::invokeMethod(
        this,
        [w] {
            if (!w) return;
            revealPage(w);
            w->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

// --- TypedTextBinder ---------------------------------------------------------------------------

TypedTextBinder::TypedTextBinder(RecordTable& table, QByteArray fieldName, QWidget* control, QLineEdit* editor)
    : FieldBinder(table, std::move(fieldName), control), editor_(editor)
{
    control->installEventFilter(this);
    if (editor != control) editor->installEventFilter(this);
    connect(editor, &QLineEdit::textEdited, this, [this] { userTyped(); });
}

QString TypedTextBinder::shownText(Field& field) const { return cp1251ToUnicode(field.displayText()); }

void TypedTextBinder::refresh()
{
    Field* f = field();
    if (dirty_) {
        // The table changed this very field under the typed text: the table wins, as it does
        // when a record is reloaded. Changes of other fields leave the typing alone.
        if (!f || f->value() == baseline_) return;
        dirty_ = false;
    }
    QString text;
    try {
        if (f) text = shownText(*f);
    } catch (const std::exception&) {
        text.clear(); // an inactive table shows nothing
    }
    if (editor_->text() == text) return;
    editor_->setText(text);
    // What the table brings shows from its start, in the focused control too (the window opens
    // with the focus in the object name).
    editor_->setCursorPosition(0);
    runChange();
}

bool TypedTextBinder::editing() const
{
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == editor_ || focused == control_);
}

void TypedTextBinder::showBeginning()
{
    // A long text shows its start, not the end where setText leaves the cursor.
    if (!editing()) editor_->setCursorPosition(0);
}

void TypedTextBinder::reformat()
{
    if (dirty_) return;
    Field* f = field();
    QString text;
    try {
        if (f) text = shownText(*f);
    } catch (const std::exception&) {
        return;
    }
    if (editor_->text() != text) editor_->setText(text);
    showBeginning();
}

void TypedTextBinder::userTyped()
{
    if (!dirty_) {
        Field* f = field();
        baseline_ = f ? f->value() : Value();
        dirty_ = true;
        try {
            beginEdit();
        } catch (const std::exception& e) {
            dirty_ = false;
            refresh();
            ShowApplicationError(e);
            return;
        }
    }
    runChange();
}

void TypedTextBinder::store()
{
    Field* f = field();
    if (!f) return;
    beginEdit();
    f->setText(unicodeToCp1251(textToStore(editor_->text())));
}

bool TypedTextBinder::commit()
{
    if (!dirty_ || committing_) return true;
    if (reportPending_) return false; // the refusal is on its way already
    committing_ = true;
    bool stored = false;
    try {
        // The typed value, the rules it set off while it was typed and the post are one step.
        asUserAction([this, &stored] {
            store();
            stored = true;
            dirty_ = false;
        });
    } catch (const std::exception& e) {
        committing_ = false;
        if (!stored) {
            reportLater(QString::fromUtf8(e.what()));
            return false;
        }
        // The value is in the field; the post that failed keeps the record being edited.
        refresh();
        ShowApplicationError(e);
        return true;
    }
    committing_ = false;
    refresh();
    return true;
}

void TypedTextBinder::updateRecord(RecordTable&)
{
    // A refusal already on its way to the user is not repeated: the post goes on with the stored
    // value and the typed text waits in the control.
    if (!dirty_ || committing_ || reportPending_) return;
    committing_ = true;
    try {
        store();
    } catch (...) {
        committing_ = false;
        keepFocus();
        throw; // the caller's error handler shows it
    }
    committing_ = false;
    dirty_ = false;
}

void TypedTextBinder::reportLater(const QString& message)
{
    reportPending_ = true;
    QPointer<TypedTextBinder> self = this;
    QMetaObject::invokeMethod(
        this,
        [self, message] {
            if (!self) return;
            userInteraction().showError(message);
            self->reportPending_ = false;
            self->keepFocus();
        },
        Qt::QueuedConnection);
}

void TypedTextBinder::discardTyped()
{
    dirty_ = false;
    // What the rules did while the text was typed stays done: it is the control's step.
    RunGuarded([this] {
        asUserAction([this] {
            Field* f = field();
            const QString text = f ? shownText(*f) : QString();
            if (editor_->text() != text) {
                editor_->setText(text);
                runChange();
            }
        });
    });
}

bool TypedTextBinder::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        if (isLeaving(static_cast<QFocusEvent*>(event))) {
            commit();
            reformat();
        }
        break;
    case QEvent::FocusIn:
        reformat();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commit();
        } else if (key == Qt::Key_Escape && dirty_) {
            discardTyped();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// --- text edits and spinners ---------------------------------------------------------------------

TextEditBinder::TextEditBinder(RecordTable& table, QByteArray fieldName, QLineEdit* edit)
    : TypedTextBinder(table, std::move(fieldName), edit, edit)
{
    SetUpFieldTyping(edit, [this] { return field(); });
    refresh();
}

SpinnerBinder::SpinnerBinder(RecordTable& table, QByteArray fieldName, NumberSpinner* spinner)
    : TypedTextBinder(table, std::move(fieldName), spinner, spinner->editor()), spinner_(spinner)
{
    spinner->typedField = [this] { return field(); };
    spinner->onStep = [this] { userTyped(); };
    refresh();
}

QString SpinnerBinder::shownText(Field& field) const
{
    if (field.isNull()) return {};
    return editing() ? spinner_->editValue(field.asFloat()) : spinner_->formatValue(field.asFloat());
}

QString SpinnerBinder::textToStore(const QString& typed) const
{
    // A value above the limit is refused like any other: the typed text stays for the user to mend.
    if (spinner_->exceedsLimit(typed))
        throw Error(formatMessage("Значение должно быть не больше %s.",
                                  {FormatFloatGeneral(spinner_->upperLimit()).toStdString()}));
    return typed;
}

// --- DictionaryComboBinder -------------------------------------------------------------------------

namespace {
constexpr int kIdRole = Qt::UserRole;
}

DictionaryComboBinder::DictionaryComboBinder(RecordTable& table, QByteArray fieldName, QComboBox* combo,
                                             RecordTable& dictionary)
    : FieldBinder(table, std::move(fieldName), combo), combo_(combo), dictionary_(dictionary)
{
    dictionary_.addObserver(this);
    combo->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this](int index) { pick(index); });
    rebuildItems();
}

DictionaryComboBinder::~DictionaryComboBinder() { dictionary_.removeObserver(this); }

void DictionaryComboBinder::tableChanged(RecordTable& table, TableChange change)
{
    if (&table == &dictionary_) {
        if (change != TableChange::State) rebuildItems();
        return;
    }
    refresh();
}

void DictionaryComboBinder::rebuildItems()
{
    QSignalBlocker block(combo_);
    FillChoices(combo_, ListChoices(dictionary_, "ID", "NAME"));
    refresh();
}

int DictionaryComboBinder::indexOfId(int64_t id) const
{
    for (int i = 0; i < combo_->count(); ++i)
        if (combo_->itemData(i, kIdRole).toLongLong() == id) return i;
    return -1;
}

void DictionaryComboBinder::refresh()
{
    int index = -1;
    try {
        if (Field* f = field(); f && table_.active()) index = indexOfId(f->asInteger());
    } catch (const std::exception&) {
        index = -1;
    }
    if (combo_->currentIndex() != index) {
        QSignalBlocker block(combo_);
        combo_->setCurrentIndex(index);
    }
}

void DictionaryComboBinder::pick(int index)
{
    Field* f = field();
    if (!f || !table_.active()) {
        refresh();
        return;
    }
    RunGuarded([&] {
        const int shown = indexOfId(f->asInteger());
        if (index < 0 ? f->isNull() : index == shown) return; // nothing new was picked
        asUserAction([&] {
            try {
                beginEdit();
                if (index < 0) f->clear();
                else f->setInteger(combo_->itemData(index, kIdRole).toLongLong());
            } catch (...) {
                refresh();
                throw;
            }
            refresh();
            runChange();
        });
    });
    refresh();
}

bool DictionaryComboBinder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            pick(-1);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- PickerBoxBinder -------------------------------------------------------------------------------

PickerBoxBinder::PickerBoxBinder(RecordTable& table, QByteArray fieldName, QWidget* box, QLineEdit* text,
                                 QToolButton* button)
    : FieldBinder(table, std::move(fieldName), box), text_(text)
{
    text->setReadOnly(true);
    connect(button, &QToolButton::clicked, this, [this] {
        if (onButton) RunGuarded([this] { asUserAction(onButton); });
    });
    refresh();
}

void PickerBoxBinder::refresh()
{
    QString text;
    try {
        if (Field* f = field(); f && table_.active()) text = cp1251ToUnicode(f->displayText());
    } catch (const std::exception&) {
        text.clear();
    }
    if (text_->text() == text) return;
    text_->setText(text);
    runChange();
}

} // namespace talvena
