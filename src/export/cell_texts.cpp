#include "export/cell_texts.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/data_module.h"
#include "model/field_schema.h"
#include "model/table_schemas.h"
#include "model/resources.h"
#include "table/number_text.h"
#include "table/record_table.h"

namespace talvena {

QByteArray FormatNumber(const Field& field)
{
    if (field.isNull()) return {};
    return FormatNumberPattern(kNumberPattern, field.asFloat());
}

QByteArray DictionaryName(const RecordTable& dictionary, int64_t id)
{
    const Field* key = dictionary.findField("ID");
    const Field* name = dictionary.findField("NAME");
    if (!key || !name) return {};
    for (int position = 0; position < dictionary.visibleCount(); ++position) {
        const uint32_t row = dictionary.visibleRow(position);
        if (!dictionary.rowIsNull(row, *key) && dictionary.rowInteger(row, *key) == id)
            return dictionary.rowValue(row, *name).isNull() ? QByteArray() : dictionary.rowBytes(row, *name);
    }
    return {};
}

namespace {

// The name of the field's value in the dictionary its declaration names.
QByteArray nameIn(TDataModule2& dm, const Field& field)
{
    const FieldDecl* decl = FindFieldDecl(PasportsSchema(), field.name());
    const RecordTable* dict = decl ? dm.dict(decl->dictionary) : nullptr;
    return dict ? DictionaryName(*dict, field.asInteger()) : QByteArray();
}

} // namespace

QByteArray ParameterValueText(const ParameterRow& row, TDataModule2& dm, const GeologyTotals& totals)
{
    if (row.value == ParameterValue::Section) return {};
    if (row.value == ParameterValue::GeologyText) return totals.labelText(row.field);
    const RecordTable& passport = dm.PASPORTS;
    const Field& field = passport.fieldByName(row.field);
    const Field* other = row.other ? &passport.fieldByName(row.other) : nullptr;
    switch (row.value) {
    case ParameterValue::Text: return field.asString();
    case ParameterValue::Number: return FormatNumber(field);
    case ParameterValue::DictionaryName: return nameIn(dm, field);
    case ParameterValue::MethodName:
        return field.asInteger() == kOtherMethodId ? other->asString() : nameIn(dm, field);
    case ParameterValue::RegionWithSupplement:
        return (nameIn(dm, field) + ' ' + other->asString()).trimmed();
    case ParameterValue::StratigraphicRange:
        return unicodeToCp1251(QStringLiteral("Кровля: ")) + nameIn(dm, field) +
               unicodeToCp1251(QStringLiteral("   Подошва: ")) + nameIn(dm, *other);
    case ParameterValue::BinSize: return FormatNumber(field) + 'X' + FormatNumber(*other);
    case ParameterValue::Section:
    case ParameterValue::GeologyText: break;
    }
    return {};
}

ListSource FindListSource(const ExportTableDecl& table, TDataModule2& dm, const GridLayouts* layouts)
{
    const GridDecl* grid = FindGrid(table.grid);
    if (!grid) throw Error(formatMessage("Grid '%s' not found", {table.grid}));
    RecordTable* source = dm.findTable(grid->table);
    if (!source) throw Error(formatMessage("Table '%s' not found", {grid->table}));
    return {*grid, *source, layouts ? layouts->columns(grid->objectName) : GridLayouts().columns(grid->objectName)};
}

} // namespace talvena
