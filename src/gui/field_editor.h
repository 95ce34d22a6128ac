#pragma once
// The editors of a field, one per kind of field, shared by the form controls (field_binders.h) and
// the grid cells (record_grid_view.h): what typing a value takes, and the entries a drop-down of a
// dictionary or lookup offers.
#include <QString>
#include <QValidator>
#include <QVariant>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace talvena {

class Field;
class RecordTable;

// Checks typed text against what the field takes, and may mend it: characters the code page cannot
// hold and those the field does not take are refused; in a Float field a comma is the decimal
// separator and becomes the point, and a second separator is refused. No field: any text that the
// code page holds.
QValidator::State CheckTypedText(const Field* field, QString& input);

// CheckTypedText as the validator of a line edit. `field` is asked at every keystroke: a table's
// field list may be replaced.
class FieldTextValidator : public QValidator {
public:
    FieldTextValidator(std::function<const Field*()> field, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    std::function<const Field*()> field_;
};

// Makes a line edit the typing editor of the field: its validator and its length.
void SetUpFieldTyping(QLineEdit* edit, std::function<const Field*()> field);

// One entry of a drop-down: the text shown and the key stored (invalid for NULL).
struct FieldChoice {
    QString text;
    QVariant key;
};

// The visible records of a dictionary or lookup table, in its order, as the text of `shownField`
// with the key of `keyField`; nothing when the table is closed or lacks a field.
std::vector<FieldChoice> ListChoices(const RecordTable& list, const QByteArray& keyField, const QByteArray& shownField);
// The choices into a drop-down, replacing its entries.
void FillChoices(QComboBox* combo, const std::vector<FieldChoice>& choices);

} // namespace talvena
