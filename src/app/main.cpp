// Program entry. Until the main window exists it starts the utility layer and says what is there.
#include "base/log_line.h"
#include "base/startup_settings.h"

#include <cstdio>

int main()
{
    talvena::initUtilityLayer();
    const auto& s = talvena::startupSettings();
    std::printf("Талвена: start-up settings read (Mode1=%d), log line written to %s.\n", s.mode1 ? 1 : 0,
                talvena::logFilePath().toLocal8Bit().constData());
    std::puts("The main window is not built yet: the record-table engine and the utilities are in place.");
    return 0;
}
