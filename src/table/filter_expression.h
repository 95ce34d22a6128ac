#pragma once
// The record filter: terms "FIELD=integer" joined by " OR ".
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

namespace talvena {

struct FilterTerm {
    QByteArray fieldName;
    int64_t value = 0;
};

struct FilterExpression {
    std::vector<FilterTerm> terms; // empty: every record passes
};

// Throws "Incorrectly formed filter expression" for a text outside the grammar.
FilterExpression parseFilterExpression(const QByteArray& text);

} // namespace talvena
