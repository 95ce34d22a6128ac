#pragma once
// The catalogue commands of talvena-psp, each parsing its own options:
//
//   index [--db TARGET] DIR…
//   find [--db TARGET] [--name TEXT] [--region TEXT] [--min-oil MT] [--min-gas MM3]
//        [--bbox LON1,LAT1,LON2,LAT2] [--json]
//   totals [--db TARGET] --by region|method|year [--json]
//
// TARGET is a GeoPackage file (default "catalogue.gpkg" in the first DIR for index, in the
// current folder for the queries) or a libpq URI "postgresql://…". Exit codes: 0 done, 1 failed
// or (index) some files did not load, 2 wrong usage.
#include <QString>

#include <vector>

namespace talvena {

int IndexCommand(const std::vector<char*>& args, const QString& dictionaryFolder);
int FindCommand(const std::vector<char*>& args, const QString& dictionaryFolder);
int TotalsCommand(const std::vector<char*>& args, const QString& dictionaryFolder);

} // namespace talvena
