#pragma once
// The probabilistic resources by simulation in the window: the button "Рассчитать вероятностные
// ресурсы…" of pages 8 to 10 opening the simulation dialog, the fill of the passport's result
// fields as ordinary edits, and the block of the Geology page with the totals of the last run.
#include "model/resource_simulation.h"

#include <QObject>

#include <memory>

namespace talvena {

class GridPages;
class TMainForm;

class ResourceSimulationPage : public QObject {
public:
    ResourceSimulationPage(TMainForm& window, GridPages& grids);

    // Opens the dialog for the current productive horizon (or all of them).
    void open();
    // Writes the run into the passport; returns the line the dialog shows.
    QString fill(const SimulationRun& run);
    // Sets the Geology page's simulation block from the last run.
    void showGeologyBlock();
    // The last run while the horizons are as it saw them (the one the Geology page shows), or nullptr.
    const SimulationRun* currentRun() const;

private:
    TMainForm& window_;
    std::unique_ptr<SimulationRun> last_;
    uint64_t lastStamp_ = 0; // the horizons' content stamp the last run (and its fill) saw
};

} // namespace talvena
