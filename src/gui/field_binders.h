#pragma once
// Binders tie one control to one field of the current record of a record table. Each follows the
// table (TableObserver) and writes what the user enters through the field, so that the table's
// validation, lookups and calculated fields do the rest. One binder class per control kind.
//
// Change handlers: a text edit, spinner or picker box runs its handler whenever its shown text
// changes, by typing or because the table changed it; a drop-down runs it only when the user
// picks another entry. Handlers run guarded: an error they raise is shown and the control goes on.
#include "table/record_table.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QComboBox;
class QLineEdit;
class QToolButton;
class QWidget;

namespace talvena {

class NumberSpinner;

class FieldBinder : public QObject, public TableObserver {
public:
    FieldBinder(RecordTable& table, QByteArray fieldName, QWidget* control);
    ~FieldBinder() override;

    RecordTable& table() const { return table_; }
    const QByteArray& fieldName() const { return fieldName_; }
    Field* field() const { return table_.findField(fieldName_); }
    QWidget* control() const { return control_; }

    // The control's change handler.
    std::function<void()> onChange;
    // When set, what the user does in the control (the value set, the rules its change handler
    // runs, the post that follows) is one undo step of the table's journal named so.
    QString actionName;

    // Shows the field's current value.
    virtual void refresh() = 0;

    void tableChanged(RecordTable& table, TableChange change) override;

protected:
    // Puts the table into edit state unless it is being edited or inserted.
    void beginEdit();
    void runChange();
    // Runs `work` as the user's action on the control: one named step, the table posted after it
    // (see actionName). Without a name it only runs `work`.
    void asUserAction(const std::function<void()>& work);
    // Brings the control's page forward and gives the control the focus again (queued, so that a
    // focus change under way ends first).
    void keepFocus();

    RecordTable& table_;
    QByteArray fieldName_;
    QPointer<QWidget> control_;
};

// Text edits and number spinners: typing stays in the control until the focus leaves it, Enter is
// pressed, or the table is posted; only then is it set into the field. A value the field refuses
// is reported, the control keeps the focus and the typed text, and the field keeps its value.
class TypedTextBinder : public FieldBinder {
public:
    TypedTextBinder(RecordTable& table, QByteArray fieldName, QWidget* control, QLineEdit* editor);

    void refresh() override;
    void updateRecord(RecordTable& table) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool holdsTypedText() const { return dirty_; }
    // Sets the typed text into the field now; false (after reporting) when the field refused it.
    bool commit();

protected:
    // The text that shows the field's value; it may depend on whether the control is being edited.
    virtual QString shownText(Field& field) const;
    // The typed text made what the field is given; throws to refuse it.
    virtual QString textToStore(const QString& typed) const { return typed; }
    void userTyped();
    bool editing() const;

    QLineEdit* editor_;

private:
    void store();           // throws what the field throws
    void reportLater(const QString& message);
    void discardTyped();
    // Shows the stored value again in the form that suits focus, without it counting as a change.
    void reformat();
    void showBeginning();

    bool dirty_ = false;
    bool committing_ = false;
    bool reportPending_ = false;
    Value baseline_;        // the field's value when typing began
};

class TextEditBinder : public TypedTextBinder {
public:
    TextEditBinder(RecordTable& table, QByteArray fieldName, QLineEdit* edit);
};

class SpinnerBinder : public TypedTextBinder {
public:
    SpinnerBinder(RecordTable& table, QByteArray fieldName, NumberSpinner* spinner);

protected:
    QString shownText(Field& field) const override;
    QString textToStore(const QString& typed) const override;

private:
    NumberSpinner* spinner_;
};

// Dictionary drop-downs: list the NAMEs of the dictionary's visible entries in its order and store
// the chosen entry's ID. Delete or Backspace empties the field.
class DictionaryComboBinder : public FieldBinder {
public:
    DictionaryComboBinder(RecordTable& table, QByteArray fieldName, QComboBox* combo, RecordTable& dictionary);
    ~DictionaryComboBinder() override;

    void refresh() override;
    void tableChanged(RecordTable& table, TableChange change) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // What a user pick does: the entry at `index` of the list (-1 empties the field).
    void pick(int index);

private:
    void rebuildItems();
    int indexOfId(int64_t id) const;

    QComboBox* combo_;
    RecordTable& dictionary_;
};

// Picker boxes: show the text of a calculated or lookup field; the button runs `onButton`.
class PickerBoxBinder : public FieldBinder {
public:
    PickerBoxBinder(RecordTable& table, QByteArray fieldName, QWidget* box, QLineEdit* text, QToolButton* button);

    std::function<void()> onButton;
    void refresh() override;

private:
    QLineEdit* text_;
};

} // namespace talvena
