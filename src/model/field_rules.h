#pragma once
// The validations of the passport tables. Each is an OnValidate or OnChange handler: it reads the
// field's new value and raises an error with the Russian sentence the user sees.
#include <QByteArray>
#include <functional>
#include <span>

namespace talvena {

class Field;

// Finds a field of the data module by its object name (table name + field name), or nullptr.
using FieldFinder = std::function<Field*(const QByteArray& objectName)>;

// Positive-integer rule: NULL passes, anything not above 0 is refused; non-integer fields pass.
void ValidateIntFieldGrt0(Field& f);

// Positive-number rule for Float fields: NULL passes, anything not above 0 is refused; the long and
// short axes of a horizon are checked against each other; then a field whose object name holds
// "MAX" or "MIN" is checked against its partner (the name with MAX and MIN swapped).
void ValidateFloatFieldGrt0(Field& f, const FieldFinder& find);

// Fraction rule: as the positive-number rule, but also at most 1; no axis check.
void ValidateFloatFieldGrt0Lower1(Field& f, const FieldFinder& find);

// One link of the year chain: the later year `field` may not be less than `previous`.
struct YearLink {
    const char* field;
    const char* previous;
    const char* message; // UTF-8
};
const YearLink* FindYearLink(const QByteArray& fieldName);
void ValidateYearLink(Field& f, const YearLink& link);

// Mark of the last closed isohypse, a depth: 0 is refused (the validation both horizon tables
// share); a positive value is stored negated (the change handler of each table).
void REFLECT_HORIZONTSIZOGIPSMARKValidate(Field& f);
void NegatePositiveIsohypseMark(Field& f);

} // namespace talvena
