#pragma once
// One row of a catalogue table as the indexer hands it to the store: values by column name, and
// for a contour its ring in longitude/latitude (EPSG:4326).
#include <QPointF>
#include <QString>

#include <utility>
#include <variant>
#include <vector>

namespace talvena::catalogue {

using CellValue = std::variant<std::monostate, qint64, double, QString>;

struct CatalogueRow {
    std::vector<std::pair<const char*, CellValue>> cells;
    std::vector<QPointF> ring; // not closed

    void set(const char* column, CellValue value) { cells.emplace_back(column, std::move(value)); }
    const CellValue* find(const char* column) const;
};

} // namespace talvena::catalogue
