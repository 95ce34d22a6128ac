#include "app/talvena_application.h"

#include "gui/error_handler.h"

namespace talvena {

TalvenaApplication::TalvenaApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: the window system would append it to every caption ("Ошибка — Талвена"),
    // and captions are shown exactly as the program writes them.
    setApplicationName(QStringLiteral("Talvena"));
}

bool TalvenaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowApplicationError(e);
    }
    return false;
}

} // namespace talvena
