#pragma once
// Resources of the possible productive horizons: the volumetric calculated fields of one horizon
// and the totals over all horizons that the Geology page shows.
#include "table/record_table.h"

#include <QByteArray>
#include <array>

namespace talvena {

// The input and calculated fields of POSIB_PRODUCT_HOR the calculation reads and writes,
// resolved once so that the per-record calculation does no name look-ups.
struct ResourceFields {
    // oil inputs, in the order of the product
    Field* squareOil;      // SQUARENEFTENOSN
    Field* widthOil;       // EFECTOILWIDTH
    Field* porosityOil;    // OILKOEFOTKRPORIST
    Field* saturationOil;  // KOEFOILNASUSH
    Field* densityOil;     // OILPLOTN
    Field* conversionOil;  // OILPERERASCHKOEF
    Field* recoveryOil;    // KOEFOILIZVL
    Field* gasFactor;      // OILGAZFACTOR
    // gas inputs
    Field* squareGas;      // SQUAREGAZONOSN
    Field* widthGas;       // EFECTGAZWIDTH
    Field* porosityGas;    // GAZKOEFOTKRPORIST
    Field* saturationGas;  // KOEFGAZNASUSH
    Field* startPressure;  // GAZSTARTPLASTPREASURE
    Field* endPressure;    // GAZENDPLASTPREASURE
    Field* compressibility;// GAZKOEFSZIM
    Field* temperature;    // GAZTEMPERPOPR
    Field* dryGas;         // GAZSODSUH
    Field* condensate;     // GAZCONDAVGSTARTCONSIST
    Field* recoveryCond;   // GAZCONDKOEFIZVLECH
    // calculated fields
    Field* balRes;         // CALC_BAL_RES
    Field* perspRes;       // CALC_PERSP_RES
    Field* perspResRgaz;   // CALC_PERSP_RES_RGAZ
    Field* stddavl;        // CALC_STDDAVL
    Field* balgazRes;      // CALC_BALGAZ_RES
    Field* newgazbal;      // CALC_NEWGAZBAL
    Field* balgazcondRes;  // CALC_BALGAZCOND_RES
    Field* perspgazcondRes;// CALC_PERSPGAZCOND_RES
};

// Throws "Field '%s' not found" when the table lacks one of them.
ResourceFields ResolveResourceFields(const RecordTable& posibProductHor);

// The resource part of POSIB_PRODUCT_HORCalcFields (everything after `_scale`), for the record
// being calculated. Call it only from the table's OnCalcFields: it writes calculated fields.
// - The oil chain stops at the first NULL input; an overflow in it throws "Floating point
//   overflow", which reaches the user as an error of the record table.
// - The gas part never fails: a zero compressibility or an overflow silently leaves the gas and
//   condensate fields not yet stored NULL.
void CalcProductHorizonResources(const ResourceFields& fields);
// The same; the fields are resolved on the first call for a table and reused afterwards.
void CalcProductHorizonResources(const RecordTable& posibProductHor);

// One value label of the Geology page.
struct GeologyLabel {
    const char* name = "";  // object name of the label, "Label72"
    QByteArray text;   // CP1251
};

// The resources a kind of hydrocarbon (UV_ID) has: which resource pages show its horizons and
// which totals count them.
enum HydrocarbonResource : unsigned { WithOil = 1, WithGas = 2, WithCondensate = 4 };
// The resources of a kind of hydrocarbon; none for a kind that has none.
unsigned ResourcesOfHydrocarbon(int64_t uvId);
// The filter of the productive horizons whose kind has the resource, as "UV_ID=397 OR UV_ID=399 …".
QByteArray HydrocarbonFilter(HydrocarbonResource resource);

// The four kinds of resource the totals add up, in the order of their labels.
enum HydrocarbonSum { OilSum, DissolvedGasSum, GasSum, CondensateSum, HydrocarbonSumCount };

// Most probable value and the sums of P - 3S and P + 3S.
struct ProbableSums {
    double probable = 0;
    double lower = 0;
    double upper = 0;
};

struct GeologyTotals {
    int productiveCount = 0;
    int reflectingCount = 0;
    // Deterministic sums, by HydrocarbonSum: CALC_PERSP_RES, CALC_PERSP_RES_RGAZ,
    // CALC_NEWGAZBAL, CALC_PERSPGAZCOND_RES.
    std::array<double, HydrocarbonSumCount> deterministic{};
    // Probabilistic sums, by HydrocarbonSum.
    std::array<ProbableSums, HydrocarbonSumCount> probable{};
    // Label29, Label71, Label72 … Label75, Label93, Label95, Label97, Label99, Label102, Label101,
    // Label106, Label105, in this order.
    std::array<GeologyLabel, 14> labels;

    // The text of a label by its object name; empty for an unknown name.
    QByteArray labelText(const QByteArray& name) const;
};

// The caption of a value label of the Geology page ("Label72"), UTF-8, shown beside the label on the
// page and in the unpacked passport; "" for a name that is no such label.
const char* GeologyLabelCaption(const char* name);

// The Geology page totals (TabSheet6Enter without its first step). The caller commits the
// pending edits of the passport tables (CommitPendingEdits) before calling this.
// Leaves the filter of POSIB_PRODUCT_HOR switched off and both tables on their first record;
// the sums run over every productive horizon, whatever filter was on before, and over the
// visible records of REFLECT_HORIZONTS. NULL values count as 0.
GeologyTotals ComputeGeologyTotals(RecordTable& posibProductHor, RecordTable& reflectHorizonts);

} // namespace talvena
