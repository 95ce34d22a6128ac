#include "gui/field_char_validator.h"

#include "base/cp1251.h"
#include "table/field.h"

namespace talvena {

FieldCharValidator::FieldCharValidator(std::function<const Field*()> field, QObject* parent)
    : QValidator(parent), field_(std::move(field))
{
}

QValidator::State FieldCharValidator::validate(QString& input, int&) const
{
    const Field* f = field_ ? field_() : nullptr;
    for (QChar c : input) {
        if (!cp1251CanHold(c)) return Invalid;
        if (f && c.unicode() < 0x80 && !f->isValidChar(static_cast<char>(c.unicode()))) return Invalid;
        if (f && c.unicode() >= 0x80 && !f->validChars().isEmpty()) return Invalid;
    }
    return Acceptable;
}

} // namespace talvena
