#include "gui/user_interaction.h"

#include <cstdio>
#include <cstdlib>

namespace talvena {

namespace {
UserInteraction* g_installed = nullptr;
}

QString boxCaptionText(BoxCaption caption)
{
    switch (caption) {
    case BoxCaption::Warning: return QStringLiteral("Предупреждение");
    case BoxCaption::Confirmation: return QStringLiteral("Подтверждение");
    case BoxCaption::Error: return QStringLiteral("Ошибка");
    case BoxCaption::Information: return QStringLiteral("Информация");
    }
    return {};
}

UserInteraction& userInteraction()
{
    if (!g_installed) {
        std::fputs("talvena: no user interaction installed\n", stderr);
        std::abort();
    }
    return *g_installed;
}

void installUserInteraction(UserInteraction* interaction) { g_installed = interaction; }
bool userInteractionInstalled() { return g_installed != nullptr; }

} // namespace talvena
