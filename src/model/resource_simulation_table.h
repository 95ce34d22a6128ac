#pragma once
// The resource simulation and the productive-horizon table: copying the values a simulation reads,
// and writing its results back into the passport as ordinary edits.
#include "model/resource_simulation.h"

#include <QStringList>

namespace talvena {

class RecordTable;

// Copies of every productive horizon of POSIB_PRODUCT_HOR, in the table's current order and
// whatever its filter; with `onlyRow` just that stored row.
std::vector<HorizonSimulationInput> ReadSimulationInputs(const RecordTable& posibProductHor,
                                                         std::optional<uint32_t> onlyRow = std::nullopt);

// The result fields of a horizon the fill writes: the most probable value (mean), its probability
// (probability of reaching the mean) and the standard deviation.
struct SimFillFields {
    SimResult result;
    const char* mean;
    const char* probability;
    const char* sd;
};
std::span<const SimFillFields> SimFillFieldList();
// The condensate balance range filled with the simulated P90 and P10.
inline constexpr const char* kCondensateBalanceMin = "BALANCERESGAZCONDMIN";
inline constexpr const char* kCondensateBalanceMax = "BALANCERESGAZCONDMAX";

struct FillReport {
    int horizons = 0;    // horizons written
    int values = 0;      // field values written
    QStringList refused; // values the field rules refused, or horizons not found, in Russian
};

// Writes the results of the run into the horizons it was read from (found by ID), one edit and post
// per horizon, each value through its field's rules; a refused value is reported and the others
// are still written. The ranges the user typed are never touched. The table's filter and current
// record are as before afterwards. A pending edit is posted first.
FillReport FillSimulatedResources(RecordTable& posibProductHor, const SimulationRun& run);

} // namespace talvena
