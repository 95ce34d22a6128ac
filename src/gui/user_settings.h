#pragma once
// The user's own settings (recent files, view choices): ~/.config/Talvena/Talvena.conf, written as
// they change. The read-only program settings are another thing (base/registry).
#include <QSettings>
#include <memory>

namespace talvena {

inline std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Talvena"),
                                       QStringLiteral("Talvena"));
}

} // namespace talvena
