#pragma once
#include "table/value.h"

#include <QByteArray>

namespace talvena {

// The text of a map scale 1:N from its denominator N: "1:" and N in the pattern "# ### ###";
// empty when N is NULL or not above 0.
QByteArray ScaleText(const Value& denominator);

} // namespace talvena
