#pragma once
// talvena-psp unpack: the open passport written as the unpacked passport into a folder, as the
// application's export command does, with the grids' declared column orders and no dialogs.
#include "export/spreadsheet.h"

#include <QString>

namespace talvena {

class TDataModule2;

// Prints each file written on standard output, one a line, and on standard error each attachment
// whose stored data is damaged and each file or folder that could not be written (everything
// else still is). Without LibreOffice, --program calc says so and writes with the built-in
// writer. Returns 0 when everything was written completely, else 1.
int UnpackPassport(TDataModule2& module, const QString& directory, PreferredProgram program);

} // namespace talvena
