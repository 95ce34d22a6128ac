#include "table/field_type.h"

#include <array>

namespace talvena {

namespace {
using E = StreamEncoding;
using C = ValueClass;
constexpr std::array<FieldTypeInfo, kFieldTypeCount> kTypes{{
    {"Unknown", E::NotLoadable, C::Bytes},   {"String", E::String, C::Bytes},
    {"SmallInt", E::Integer, C::Integer},    {"Integer", E::Integer, C::Integer},
    {"Word", E::Integer, C::Integer},        {"Boolean", E::Boolean, C::Integer},
    {"Float", E::Real, C::Real},             {"Currency", E::Real, C::Real},
    {"BCD", E::Real, C::Real},               {"Date", E::Real, C::Real},
    {"Time", E::Real, C::Real},              {"DateTime", E::Real, C::Real},
    {"Bytes", E::String, C::Bytes},          {"VarBytes", E::String, C::Bytes},
    {"AutoInc", E::Integer, C::Integer},     {"Blob", E::Blob, C::Bytes},
    {"Memo", E::String, C::Bytes},           {"Graphic", E::String, C::Bytes},
    {"FmtMemo", E::String, C::Bytes},        {"ParadoxOle", E::String, C::Bytes},
    {"dBaseOle", E::String, C::Bytes},       {"TypedBinary", E::String, C::Bytes},
    {"Cursor", E::NotLoadable, C::Bytes},    {"FixedChar", E::String, C::Bytes},
    {"WideString", E::String, C::Bytes},     {"LargeInt", E::Real, C::Real},
    {"ADT", E::String, C::Bytes},            {"Array", E::String, C::Bytes},
    {"Reference", E::NotLoadable, C::Bytes}, {"DataSet", E::NotLoadable, C::Bytes},
    {"HugeBlob", E::String, C::Bytes},       {"HugeClob", E::String, C::Bytes},
    {"Variant", E::NotLoadable, C::Bytes},   {"Interface", E::NotLoadable, C::Bytes},
    {"Dispatch", E::NotLoadable, C::Bytes},  {"Guid", E::String, C::Bytes},
    {"SQLTimeStamp", E::String, C::Bytes},   {"FMTBcdField", E::String, C::Bytes},
}};
constexpr std::array<const char*, 5> kKinds{"Data", "Calculated", "Lookup", "InternalCalc", "Aggregate"};
} // namespace

const FieldTypeInfo& fieldTypeInfo(FieldType type) { return kTypes[static_cast<size_t>(type)]; }

std::optional<FieldType> fieldTypeByName(const QByteArray& name)
{
    for (size_t i = 0; i < kTypes.size(); ++i)
        if (name == kTypes[i].name) return static_cast<FieldType>(i);
    return std::nullopt;
}

bool isDateType(FieldType t) { return t == FieldType::Date || t == FieldType::Time || t == FieldType::DateTime; }

bool isIntegerType(FieldType t)
{
    return t == FieldType::SmallInt || t == FieldType::Integer || t == FieldType::Word || t == FieldType::AutoInc;
}

const char* fieldKindName(FieldKind kind) { return kKinds[static_cast<size_t>(kind)]; }

FieldKind fieldKindByName(const QByteArray& name)
{
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (name == kKinds[i]) return static_cast<FieldKind>(i);
    return FieldKind::Data;
}

} // namespace talvena
