#pragma once
// The resources by simulation on the printed passport: P90, P50, P10 and the mean of every
// horizon's results and of the passport's totals, how the run was made, and the exceedance curve of
// each total drawn as vectors. The window prints its last run; talvena-psp runs one for the report.
#include "model/resource_simulation.h"
#include "report/report_layout.h"

namespace talvena {

class TDataModule2;

// Adds the section to the layout on a portrait page of its own. A run of fewer horizons than the
// passport's `passportHorizons` says so, and its totals are not called the passport's.
void AddSimulatedResources(ReportLayout& layout, const SimulationRun& run, int passportHorizons);

// A run over every productive horizon of the passport with the given options, keeping the
// histograms the exceedance curves are drawn from. Pending edits are committed first.
SimulationRun SimulateForReport(TDataModule2& dm, SimulationOptions options);

} // namespace talvena
