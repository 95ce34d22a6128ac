#pragma once
// A field of a record table: its definition, its handlers, and typed access to the value of the
// table's active record (the current record, the record being edited, or the record being calculated).
#include "table/field_type.h"
#include "table/value.h"

#include <QByteArray>
#include <functional>

namespace talvena {

class RecordTable;

struct LookupDef {
    QByteArray keyField;          // field of the same table holding the key
    RecordTable* table = nullptr; // the lookup table
    QByteArray tableKeyField;     // key field of the lookup table
    QByteArray resultField;       // field of the lookup table whose value is shown
};

struct FieldDef {
    QByteArray name{};
    FieldType type = FieldType::String;
    int size = 0;                 // string length for String and FixedChar fields
    FieldKind kind = FieldKind::Data;
    bool required = false;
    LookupDef lookup{};           // lookup fields only
    QByteArray objectName{};      // empty: the table name followed by the field name
};

class Field {
public:
    using Handler = std::function<void(Field&)>;
    // Returns the text to show; `display` is false for the edit text.
    using GetTextHandler = std::function<QByteArray(Field&, bool display)>;
    using SetTextHandler = std::function<void(Field&, const QByteArray&)>;

    Field(RecordTable& table, const FieldDef& def, int index);

    RecordTable& table() const { return *table_; }
    const QByteArray& name() const { return def_.name; }
    const QByteArray& objectName() const { return def_.objectName; }
    FieldType type() const { return def_.type; }
    ValueClass valueClass() const { return fieldTypeInfo(def_.type).valueClass; }
    int size() const { return def_.size; }
    FieldKind kind() const { return def_.kind; }
    bool isData() const { return def_.kind == FieldKind::Data || def_.kind == FieldKind::InternalCalc; }
    bool required() const { return def_.required; }
    void setRequired(bool r); // part of the table's contents (see RecordTable::contentStamp)
    const LookupDef& lookup() const { return def_.lookup; }
    int index() const { return index_; }

    // Display format of Float fields (a number pattern); empty means the general format.
    const QByteArray& displayFormat() const { return displayFormat_; }
    void setDisplayFormat(const QByteArray& f) { displayFormat_ = f; }
    // Characters that typing into a bound control accepts; empty means any.
    const QByteArray& validChars() const { return validChars_; }
    void setValidChars(const QByteArray& c) { validChars_ = c; }
    bool isValidChar(char c) const { return validChars_.isEmpty() || validChars_.contains(c); }

    Handler onValidate, onChange;
    GetTextHandler onGetText;
    SetTextHandler onSetText;

    // Reading: NULL reads as 0, 0.0 and the empty text.
    Value value() const;
    bool isNull() const { return value().isNull(); }
    int64_t asInteger() const;
    double asFloat() const;
    QByteArray asString() const;   // the default text for numbers and dates
    double asDateTime() const { return asFloat(); }
    QByteArray asBytes() const;    // raw bytes of a String or Blob value
    qsizetype blobSize() const { return asBytes().size(); }

    // Writing runs validation, recalculation and the change handler (see RecordTable).
    void setValue(const Value& v);
    void setInteger(int64_t v);
    void setFloat(double v);
    void setString(const QByteArray& v);
    void setDateTime(double v) { setFloat(v); }
    void setBytes(const QByteArray& v) { setString(v); }
    void clear() { setValue(Value()); }
    void assign(const Field& other) { setValue(other.value()); }

    QByteArray displayText();
    QByteArray editText();
    void setText(const QByteArray& text);

    // The text of a value as this field shows it by default (no handler).
    QByteArray defaultText(const Value& v, bool display) const;
    // Converts a value to this field's stored form, or throws the field's conversion error.
    Value coerce(const Value& v) const;

private:
    friend class RecordTable;
    RecordTable* table_;
    FieldDef def_;
    int index_;
    int slot_ = -1; // column of a data field, buffer slot of a calculated field
    QByteArray displayFormat_;
    QByteArray validChars_;
};

} // namespace talvena
