// "О программе ...": the About box over the main window.
#include "app/main_window.h"
#include "app/passport_lifecycle.h"
#include "dialogs/about_box.h"

namespace talvena {

bool PassportLifecycle::showAbout() { return ShowAboutBox(&window_); }

} // namespace talvena
