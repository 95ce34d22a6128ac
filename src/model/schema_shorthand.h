#pragma once
// Short names for the columns of the schema declarations, so that each field fits one line.
// Included only by the files that hold the declarations.
#include "model/field_schema.h"

namespace talvena::schema {

constexpr FieldType Int = FieldType::Integer;
constexpr FieldType Small = FieldType::SmallInt;
constexpr FieldType Flt = FieldType::Float;
constexpr FieldType Str = FieldType::String;
constexpr FieldType Chr = FieldType::FixedChar;
constexpr FieldType Date = FieldType::DateTime;
constexpr FieldType Blob = FieldType::Blob;

constexpr FieldKind Dat = FieldKind::Data;
constexpr FieldKind Calc = FieldKind::Calculated;
constexpr FieldKind Look = FieldKind::Lookup;

constexpr bool Req = true;
constexpr bool Opt = false;

constexpr FieldRule NoRule = FieldRule::None;
constexpr FieldRule Pos = FieldRule::Positive;
constexpr FieldRule Axis = FieldRule::Axis;
constexpr FieldRule Frac = FieldRule::Fraction;
constexpr FieldRule PosInt = FieldRule::PositiveInteger;
constexpr FieldRule Year = FieldRule::YearChain;
constexpr FieldRule Mark = FieldRule::IsohypseMark;

} // namespace talvena::schema
