#include "gui/desktop_shell.h"

#include <QDesktopServices>

namespace talvena {

namespace {
ShellOpener& installedOpener()
{
    static ShellOpener opener;
    return opener;
}
} // namespace

bool openInShell(const QUrl& url)
{
    if (const ShellOpener& opener = installedOpener()) return opener(url);
    return QDesktopServices::openUrl(url);
}

void installShellOpener(ShellOpener opener) { installedOpener() = std::move(opener); }

} // namespace talvena
