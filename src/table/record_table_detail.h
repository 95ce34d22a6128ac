#pragma once
// What the parts of the record table share: its error texts and the comparison of values.
#include "table/field.h"
#include "table/value.h"

namespace talvena::record_table_detail {

[[noreturn]] void fieldNotFound(const QByteArray& name);
[[noreturn]] void cannotModifyField(const Field& f);
// NULL sorts first; texts by collation, numbers by value.
int compareValues(const Value& a, const Value& b, bool ignoreCase);

} // namespace talvena::record_table_detail
