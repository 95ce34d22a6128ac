#include "dialogs/update_check.h"

#include "base/program_version.h"
#include "base/startup_settings.h"
#include "dialogs/version_query.h"
#include "gui/desktop_shell.h"
#include "gui/user_interaction.h"

#include <exception>

namespace talvena {

namespace {

std::optional<UpdateServerSetup>& installedSetup()
{
    static std::optional<UpdateServerSetup> setup;
    return setup;
}

// The first reply line of the server, or the empty text when there is none.
QString askServer(const UpdateServerSetup& server,
                  const std::function<void(const std::function<void()>&)>& whileWaiting)
{
    const std::optional<QUrl> url = updateServerUrl(server.address, kVersionPath);
    if (!url) return {};
    std::optional<QByteArray> body;
    const auto exchange = [&] { body = httpGet(*url, server.timeout); };
    try {
        if (whileWaiting)
            whileWaiting(exchange);
        else
            exchange();
    } catch (const std::exception&) {
        return {}; // any error on the way leaves the answer empty
    }
    return body ? firstReplyLine(*body) : QString();
}

} // namespace

UpdateServerSetup updateServerSetup()
{
    if (installedSetup()) return *installedSetup();
    return UpdateServerSetup{startupSettings().updateServer, kVersionQueryTimeout};
}

void overrideUpdateServerSetup(std::optional<UpdateServerSetup> setup) { installedSetup() = std::move(setup); }

UpdateCheckResult RunUpdateCheck(const UpdateServerSetup& server, UserInteraction& ui,
                                 const std::function<void(const std::function<void()>&)>& whileWaiting)
{
    const std::optional<QString> serverVersion = serverVersionText(askServer(server, whileWaiting));
    if (!serverVersion) {
        ui.showError(QStringLiteral("На удалось определить версию файла на сервере"));
        return UpdateCheckResult::NoAnswer;
    }
    const QString ours = productVersionText(); // read afresh for every check
    if (*serverVersion == ours) {
        ui.showInformation(QStringLiteral("Ваша версия приложения и версия на сервере - совпадают"));
        return UpdateCheckResult::SameVersion;
    }
    // An older version on the server is never offered as an update.
    if (compareVersions(*serverVersion, ours) < 0) {
        ui.showInformation(QStringLiteral("Версия на сервере (%1) старше вашей (%2): обновление не нужно.")
                               .arg(*serverVersion, ours));
        return UpdateCheckResult::OlderOnServer;
    }
    const QString question = QStringLiteral("Ваша версия: ") + ours + QLatin1Char('\r') +
                             QStringLiteral("Версия на сервере: ") + *serverVersion + QLatin1Char('\r') +
                             QStringLiteral("Запустить обновление?");
    if (!ui.askYesNo(BoxCaption::Information, question)) return UpdateCheckResult::Declined;
    const std::optional<QUrl> setup = updateServerUrl(server.address, kSetupPath);
    if (!setup || !openInShell(*setup)) return UpdateCheckResult::ShellRefused;
    return UpdateCheckResult::UpdateStarted;
}

} // namespace talvena
