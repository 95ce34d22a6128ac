#pragma once
// Random values a user could type, for tests that drive a passport with random actions.
#include "table/record_table.h"

#include <QByteArray>
#include <random>

namespace talvena::random_edits {

struct Random {
    std::mt19937 gen;
    int operator()(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }
};

// A value a user could type into the field.
inline void typeInto(Field& f, Random& r)
{
    switch (f.valueClass()) {
    case ValueClass::Integer: f.setInteger(1 + r(3000)); break;
    case ValueClass::Real: f.setFloat((1 + r(4000)) / 8.0); break;
    case ValueClass::Bytes: f.setString(QByteArray(1 + r(6), char('a' + r(26)))); break;
    }
}

// A stored field a form lets the user type into: no keys, links, pictures or counts kept by rules.
inline Field& someDataField(RecordTable& t, Random& r)
{
    for (;;) {
        Field& f = t.field(r(t.fieldCount()));
        const QByteArray name = f.name().toUpper();
        if (f.isData() && f.type() != FieldType::Blob && name != "ID" && name != "HEAD_ID" && !name.startsWith("PASPORT") &&
            name != "KONTURNUMPOINTS")
            return f;
    }
}

} // namespace talvena::random_edits
