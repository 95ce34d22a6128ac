#pragma once
// The program's icon, built into the executable in every size the icon theme ships.
#include <QIcon>

namespace talvena {

// Every rendered size of the program icon; the window and its dialogs show it.
QIcon programIcon();

} // namespace talvena
