#include "catalogue/catalogue_schema.h"

#include "base/error.h"

#include <cstring>
#include <iterator>

namespace talvena::catalogue {

namespace {

using enum ColumnType;

constexpr ColumnDecl kPassports[] = {
    {"path", Text}, {"size", Integer}, {"modified_ms", Integer}, {"sha256", Text},
    {"object_name", Text},
    {"federal_district", Text}, {"federal_district_id", Integer},
    {"republic", Text}, {"republic_id", Integer},
    {"krai", Text}, {"krai_id", Integer},
    {"oblast", Text}, {"oblast_id", Integer},
    {"province", Text}, {"province_id", Integer},
    {"oil_gas_region", Text}, {"oil_gas_region_id", Integer},
    {"oil_gas_district", Text}, {"oil_gas_district_id", Integer},
    {"region", Text}, // the subject of the federation the object lies in, for lists and grouping
    {"showing_up_year", Integer}, {"start_preparation_year", Integer}, {"end_preparation_year", Integer},
    {"report_year", Integer}, {"fund_year", Integer},
    {"preparation_method", Text}, {"preparation_method_id", Integer},
    {"oil", Real}, {"dissolved_gas", Real}, {"gas", Real}, {"condensate", Real},
    {"oil_probable", Real}, {"oil_low", Real}, {"oil_high", Real},
    {"dissolved_gas_probable", Real}, {"dissolved_gas_low", Real}, {"dissolved_gas_high", Real},
    {"gas_probable", Real}, {"gas_low", Real}, {"gas_high", Real},
    {"condensate_probable", Real}, {"condensate_low", Real}, {"condensate_high", Real},
    {"productive_horizons", Integer}, {"reflecting_horizons", Integer},
    {"error", Text},
    {"duplicate_of", Text}, // the path of an earlier file with the same content
};

constexpr ResourceColumn kResources[] = {
    {"oil_balance", "CALC_BAL_RES"},
    {"oil", "CALC_PERSP_RES"},
    {"dissolved_gas", "CALC_PERSP_RES_RGAZ"},
    {"gas_initial", "CALC_BALGAZ_RES"},
    {"gas", "CALC_NEWGAZBAL"},
    {"condensate_balance", "CALC_BALGAZCOND_RES"},
    {"condensate", "CALC_PERSPGAZCOND_RES"},
    {"oil_balance_p", "OILBALANCERESOURCEP"},
    {"oil_balance_s", "OILBALANCERESOURCES"},
    {"oil_p", "OILPERSPECTRESOURCEP"},
    {"oil_s", "OILPERSPECTRESOURCES"},
    {"dissolved_gas_p", "PERSPRESGAZRASTVP"},
    {"dissolved_gas_s", "PERSPRESGAZRASTVS"},
    {"gas_initial_p", "GAZBALANCERESOURCEP"},
    {"gas_initial_s", "GAZBALANCERESOURCES"},
    {"gas_p", "GAZBALANCERESOURCEPNEW"},
    {"gas_s", "GAZBALANCERESOURCESNEW"},
    {"condensate_p", "IZVLEKRESGAZCONDPNEW"},
    {"condensate_s", "IZVLEKRESGAZCONDSNEW"},
};

constexpr ColumnDecl kHorizons[] = {
    {"passport_id", Integer}, {"horizon_id", Integer}, {"name", Text},
    {"hydrocarbon", Text}, {"hydrocarbon_id", Integer},
    {"oil_balance", Real}, {"oil", Real}, {"dissolved_gas", Real}, {"gas_initial", Real}, {"gas", Real},
    {"condensate_balance", Real}, {"condensate", Real},
    {"oil_balance_p", Real}, {"oil_balance_s", Real}, {"oil_p", Real}, {"oil_s", Real},
    {"dissolved_gas_p", Real}, {"dissolved_gas_s", Real}, {"gas_initial_p", Real}, {"gas_initial_s", Real},
    {"gas_p", Real}, {"gas_s", Real}, {"condensate_p", Real}, {"condensate_s", Real},
};

constexpr ColumnDecl kContours[] = {
    {"passport_id", Integer}, {"horizon_id", Integer}, {"name", Text}, {"object_name", Text},
    {"points", Integer}, {"area_km2", Real},
};

constexpr ColumnDecl kAttachments[] = {
    {"passport_id", Integer}, {"name", Text}, {"size", Integer}, {"comment", Text},
};

constexpr ColumnDecl kLock[] = {{"runs", Integer}};

constexpr TableDecl kTables[] = {
    {"passports", kPassports, false},
    {"horizons", kHorizons, false},
    {"contours", kContours, true},
    {"attachments", kAttachments, false},
    {kLockTable, kLock, false},
};

} // namespace

std::span<const TableDecl> CatalogueTables() { return kTables; }

const TableDecl& CatalogueTable(const char* name)
{
    for (const TableDecl& t : kTables)
        if (std::strcmp(t.name, name) == 0) return t;
    throw Error(formatMessage("Catalogue table '%s' not found", {name}));
}

std::span<const ResourceColumn> HorizonResourceColumns() { return kResources; }

} // namespace talvena::catalogue
