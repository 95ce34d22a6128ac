#pragma once
// talvena-psp simulate: the probabilistic resources of every productive horizon by simulation,
// printed as JSON, and on request written into the passport's result fields.
#include "model/resource_simulation.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>

namespace talvena {

class TDataModule2;

struct SimulateArguments {
    SimulationOptions options;
    std::optional<QString> fillOutput; // --fill OUT
};

// Reads one option of the command at argv[i] (advancing i past its value). Returns false when
// argv[i] is not an option of the command; sets `error` when it is one but its value is wrong.
bool ParseSimulateOption(int argc, char** argv, int& i, SimulateArguments& args, std::string& error);

// The JSON document of a run; `file` is the passport's path as given (UTF-8).
QByteArray SimulationJson(const SimulationRun& run, const QByteArray& file);

// Runs the simulation over the loaded passport and prints the JSON; with --fill also fills the
// result fields and saves the passport to OUT. Values the field rules refuse are named on
// standard error. Returns the exit code.
int SimulateCommand(TDataModule2& module, const QString& file, const SimulateArguments& args);

} // namespace talvena
