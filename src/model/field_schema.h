#pragma once
// Declarations of the passport tables: one row per field, in record order. The builder walks a
// declaration to create the fields and attach their rules; the form controls, the grid columns
// and the export's rows take their captions, hints, dictionaries and limits from the same rows.
#include "table/field_type.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <span>

namespace talvena {

class Field;
class RecordTable;

// The number pattern of the calculated resources and their totals, of contour areas and of the
// numbers the unpacked passport writes.
inline constexpr const char* kNumberPattern = "#########0.###";

// The validation a field carries.
enum class FieldRule : uint8_t {
    None,
    Positive,        // ValidateFloatFieldGrt0, with the minimum/maximum pairing
    Axis,            // ValidateFloatFieldGrt0 with the long/short axis check
    Fraction,        // ValidateFloatFieldGrt0Lower1
    PositiveInteger, // ValidateIntFieldGrt0
    YearChain,       // later year of a link of the year chain
    IsohypseMark,    // never 0, stored negative
};


struct LookupDecl {
    const char* keyField = nullptr;    // field of the same table holding the key
    const char* table = nullptr;       // name of the lookup table; its key field is ID
    const char* resultField = nullptr; // field of the lookup table that is shown
};

// The most a typed year or a survey figure may be.
inline constexpr int kYearLimit = 3000;
inline constexpr int kMethodLimit = 100000;

// A field's row owns what every control of the field shows: its caption, its hint, the dictionary
// whose entries it stores and the largest number it takes. Controls name only what differs.
struct FieldDecl {
    const char* name;
    FieldType type;
    int size;                  // String and FixedChar only
    FieldKind kind;            // Data, Calculated or Lookup
    bool required;
    FieldRule rule;
    const char* caption;       // UTF-8; empty when the field has no caption of its own
    LookupDecl lookup{};
    const char* displayFormat = ""; // number pattern of Float fields
    const char* hint = nullptr;     // UTF-8; nullptr: the caption is the hint; "": none
    int dictionary = 0;             // Dict number whose ID the field stores; 0: none
    int upperLimit = 0;             // the largest number typed into it; 0: none

    // Modifiers, so that each row stays readable.
    constexpr FieldDecl hinted(const char* h) const { FieldDecl d = *this; d.hint = h; return d; }
    constexpr FieldDecl withoutHint() const { return hinted(""); }
    constexpr FieldDecl inDictionary(int n) const { FieldDecl d = *this; d.dictionary = n; return d; }
    constexpr FieldDecl limited(int limit) const { FieldDecl d = *this; d.upperLimit = limit; return d; }
};

// The row of a field by name (letter case ignored), or nullptr.
const FieldDecl* FindFieldDecl(std::span<const FieldDecl> schema, const QByteArray& name);

// What the builder needs from the owner of the tables.
struct SchemaContext {
    std::function<RecordTable*(const QByteArray& name)> findTable;            // lookup tables
    std::function<Field*(const QByteArray& objectName)> findFieldByObjectName; // rule partners
};

// Adds the declared fields to the table in order and attaches each field's rule.
void BuildFields(RecordTable& table, std::span<const FieldDecl> schema, const SchemaContext& context);

} // namespace talvena
