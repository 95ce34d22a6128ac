#pragma once
// The tables of a catalogue, the same in a GeoPackage and on a PostgreSQL server: their columns
// and types, declared once; creating the tables, writing rows and reading them walk this list.
#include <span>

namespace talvena::catalogue {

enum class ColumnType { Text, Integer, Real };

struct ColumnDecl {
    const char* name;
    ColumnType type;
};

struct TableDecl {
    const char* name;
    std::span<const ColumnDecl> columns;
    bool polygons; // a geometry column "geom" of polygons in EPSG:4326
};

// passports, horizons, contours, attachments and the one-row table writers take turns on.
std::span<const TableDecl> CatalogueTables();
const TableDecl& CatalogueTable(const char* name);

// The lock table: every writing transaction first updates its one row, so that writers into the
// same catalogue follow one another, on a server and in a file alike.
inline constexpr const char* kLockTable = "catalogue_lock";

// The horizon columns that hold a resource, with the model's field they come from.
struct ResourceColumn {
    const char* column;
    const char* field;
};
std::span<const ResourceColumn> HorizonResourceColumns();

} // namespace talvena::catalogue
