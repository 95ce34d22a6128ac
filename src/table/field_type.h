#pragma once
// Field types, numbered as the table stream numbers them, and how each keeps its values.
#include <QByteArray>
#include <cstdint>
#include <optional>

namespace talvena {

enum class FieldType : uint8_t {
    Unknown = 0, String, SmallInt, Integer, Word, Boolean, Float, Currency, BCD, Date, Time,
    DateTime, Bytes, VarBytes, AutoInc, Blob, Memo, Graphic, FmtMemo, ParadoxOle, DBaseOle,
    TypedBinary, Cursor, FixedChar, WideString, LargeInt, ADT, Array, Reference, DataSet,
    HugeBlob, HugeClob, Variant, Interface, IDispatch, Guid, SQLTimeStamp, FMTBcd,
};
constexpr int kFieldTypeCount = 38;

// What a stored value of a type is held as.
enum class ValueClass : uint8_t { Integer, Real, Bytes };

// How a type's value is written in a table stream; NotLoadable types fail to load.
enum class StreamEncoding : uint8_t { NotLoadable, Integer, Boolean, Real, String, Blob };

struct FieldTypeInfo {
    const char* name;          // the type name in a table stream
    StreamEncoding encoding;
    ValueClass valueClass;
};

const FieldTypeInfo& fieldTypeInfo(FieldType type);
std::optional<FieldType> fieldTypeByName(const QByteArray& name); // exact, case-sensitive
bool isDateType(FieldType type);     // Date, Time, DateTime: values are date values
bool isIntegerType(FieldType type);  // SmallInt, Integer, Word, AutoInc

enum class FieldKind : uint8_t { Data, Calculated, Lookup, InternalCalc, Aggregate };
const char* fieldKindName(FieldKind kind);
FieldKind fieldKindByName(const QByteArray& name); // unknown names count as Data

} // namespace talvena
