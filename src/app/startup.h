#pragma once
// The program's start-up sequence and message loop.
#include <QString>

namespace talvena {

// True when a window system can be reached: a platform is named (QT_QPA_PLATFORM) or an X11 or
// Wayland display is set.
bool windowSystemAvailable();

// Runs the program: the utility layer, the number conventions, the application object with its
// title and help file, the data module (an error is shown and start-up goes on), the main window
// and the message loop. Returns the process exit code.
int RunTalvena(int argc, char** argv);

} // namespace talvena
