#include "table/filter_expression.h"

#include "base/error.h"

namespace talvena {

namespace {

[[noreturn]] void malformed() { throw Error("Incorrectly formed filter expression"); }

bool isNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

FilterTerm parseTerm(QByteArray term)
{
    term = term.trimmed();
    const qsizetype eq = term.indexOf('=');
    if (eq <= 0) malformed();
    FilterTerm t;
    t.fieldName = term.left(eq).trimmed();
    QByteArray number = term.mid(eq + 1).trimmed();
    if (t.fieldName.isEmpty() || number.isEmpty()) malformed();
    for (char c : t.fieldName)
        if (!isNameChar(c)) malformed();
    qsizetype i = 0;
    bool negative = false;
    if (number[0] == '-') { negative = true; i = 1; }
    if (i >= number.size() || number.size() - i > 18) malformed();
    int64_t v = 0;
    for (; i < number.size(); ++i) {
        if (number[i] < '0' || number[i] > '9') malformed();
        v = v * 10 + (number[i] - '0');
    }
    t.value = negative ? -v : v;
    return t;
}

} // namespace

FilterExpression parseFilterExpression(const QByteArray& text)
{
    FilterExpression e;
    if (text.trimmed().isEmpty()) return e;
    // The keyword is matched as the system writes it; blanks around it are optional only at the edges.
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(" OR ", from);
        e.terms.push_back(parseTerm(text.mid(from, at < 0 ? -1 : at - from)));
        if (at < 0) break;
        from = at + 4;
    }
    return e;
}

} // namespace talvena
