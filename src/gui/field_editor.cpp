#include "gui/field_editor.h"

#include "base/cp1251.h"
#include "table/field.h"
#include "table/record_table.h"

#include <QComboBox>
#include <QLineEdit>

namespace talvena {

namespace {

// A Float field whose own characters do not include the comma (the contour coordinates take it
// for degrees and minutes) reads a typed comma as the decimal separator.
bool takesDecimalComma(const Field& f) { return f.type() == FieldType::Float && !f.validChars().contains(','); }

} // namespace

QValidator::State CheckTypedText(const Field* f, QString& input)
{
    if (f && takesDecimalComma(*f)) {
        input.replace(QLatin1Char(','), QLatin1Char('.'));
        if (input.count(QLatin1Char('.')) > 1) return QValidator::Invalid;
    }
    for (QChar c : input) {
        if (!cp1251CanHold(c)) return QValidator::Invalid;
        if (f && c.unicode() < 0x80 && !f->isValidChar(static_cast<char>(c.unicode()))) return QValidator::Invalid;
        if (f && c.unicode() >= 0x80 && !f->validChars().isEmpty()) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

FieldTextValidator::FieldTextValidator(std::function<const Field*()> field, QObject* parent)
    : QValidator(parent), field_(std::move(field))
{
}

QValidator::State FieldTextValidator::validate(QString& input, int&) const
{
    return CheckTypedText(field_ ? field_() : nullptr, input);
}

void SetUpFieldTyping(QLineEdit* edit, std::function<const Field*()> field)
{
    if (const Field* f = field(); f && f->size() > 0 && (f->type() == FieldType::String || f->type() == FieldType::FixedChar))
        edit->setMaxLength(f->size());
    edit->setValidator(new FieldTextValidator(std::move(field), edit));
}

std::vector<FieldChoice> ListChoices(const RecordTable& list, const QByteArray& keyField, const QByteArray& shownField)
{
    std::vector<FieldChoice> out;
    const Field* key = list.findField(keyField);
    const Field* shown = list.findField(shownField);
    if (!key || !shown || !list.active()) return out;
    out.reserve(size_t(list.visibleCount()));
    for (int i = 0; i < list.visibleCount(); ++i) {
        const uint32_t row = list.visibleRow(i);
        const Value k = list.rowValue(row, *key);
        const Value s = list.rowValue(row, *shown);
        out.push_back({s.isBytes() ? cp1251ToUnicode(s.bytesValue()) : QString(),
                       k.isNull() ? QVariant() : QVariant(qlonglong(k.isInteger() ? k.integerValue() : 0))});
    }
    return out;
}

void FillChoices(QComboBox* combo, const std::vector<FieldChoice>& choices)
{
    combo->clear();
    for (const FieldChoice& c : choices) combo->addItem(c.text, c.key);
}

} // namespace talvena
