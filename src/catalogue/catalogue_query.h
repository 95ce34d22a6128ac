#pragma once
// Questions to a catalogue: which passports match a name, a region, minimum totals and a box on
// the map, and the totals grouped by region, preparation method or year. Texts are compared in
// the program, letter case ignored, so they never become part of a statement.
#include "catalogue/catalogue_store.h"

#include <optional>

namespace talvena::catalogue {

struct FindQuery {
    QString name;   // part of the object name or of the file name
    QString region; // part of any region name (subject, district, province …)
    std::optional<double> minOil; // million tonnes, against the deterministic oil total
    std::optional<double> minGas; // million m³, against the deterministic free gas total
    std::optional<Box> box;
};

// In order of path; files that did not load match only queries without totals or box.
std::vector<ListedPassport> FindPassports(CatalogueStore& store, const FindQuery& query);

enum class Grouping { Region, Method, Year };

struct TotalsGroup {
    QString group; // empty when not given
    qint64 year = 0;
    int passports = 0;
    double oil = 0, dissolvedGas = 0, gas = 0, condensate = 0;
};

// Over the loaded passports that are not duplicates, groups in order of their text (years in
// order of number), the group without a value last.
std::vector<TotalsGroup> TotalsBy(CatalogueStore& store, Grouping grouping);

} // namespace talvena::catalogue
