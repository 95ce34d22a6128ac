#include "gui/error_handler.h"

#include "gui/user_interaction.h"

#include <QString>
#include <cstdio>

namespace talvena {

void ShowApplicationError(const std::exception& error)
{
    const QString text = QString::fromUtf8(error.what());
    if (!userInteractionInstalled()) {
        std::fprintf(stderr, "%s\n", error.what());
        return;
    }
    userInteraction().showError(text);
}

bool RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        ShowApplicationError(e);
    }
    return false;
}

} // namespace talvena
