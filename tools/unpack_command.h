#pragma once
// talvena-psp unpack: the open passport written as the unpacked passport into a folder, as the
// application's export command does, with the grids' declared column orders and no dialogs.
#include "export/spreadsheet.h"

#include <QString>

namespace talvena {

class TDataModule2;

// Prints each file written on standard output, one a line, and each attachment whose stored data
// is damaged on standard error. Returns 0 when everything was written completely, 1 when an
// attachment was damaged; a failure throws (the files written before it stay).
int UnpackPassport(TDataModule2& module, const QString& directory, PreferredProgram program);

} // namespace talvena
