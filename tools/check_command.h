#pragma once
// `talvena-psp check`: the passport check's findings, as lines for a reader or as JSON for scripts.
#include "model/passport_check.h"

#include <QByteArray>
#include <vector>

namespace talvena {

// One line per finding, "TABLE.FIELD [record ID]: message"; "Замечаний нет." when there is none.
QByteArray FindingsText(const std::vector<PassportFinding>& findings);
// A JSON array of objects {"kind", "table", "recordId", "field", "message"}, in the check's order.
QByteArray FindingsJson(const std::vector<PassportFinding>& findings);

} // namespace talvena
