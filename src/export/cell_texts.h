#pragma once
// The texts the unpacked passport's tables show for the passport's values (CP1251).
#include "export/export_layouts.h"
#include "model/grid_decl.h"

#include <QByteArray>

namespace talvena {

class Field;
class RecordTable;
class TDataModule2;
struct GeologyTotals;

// Empty for an empty field, else the value in kNumberPattern (field_schema.h).
QByteArray FormatNumber(const Field& field);

// NAME of the first entry the dictionary currently offers (its filter applies) whose ID is `id`;
// empty when there is none.
QByteArray DictionaryName(const RecordTable& dictionary, int64_t id);

// Column B of a parameter row, for the current passport record.
QByteArray ParameterValueText(const ParameterRow& row, TDataModule2& dm, const GeologyTotals& totals);

// What a list table copies: its record grid, the grid's table, and the columns in the order the
// user left them (`layouts` null: the declared order). Throws when either is not found.
struct ListSource {
    const GridDecl& grid;
    RecordTable& table;
    std::vector<GridLayouts::Column> columns;
};
ListSource FindListSource(const ExportTableDecl& table, TDataModule2& dm, const GridLayouts* layouts);

} // namespace talvena
