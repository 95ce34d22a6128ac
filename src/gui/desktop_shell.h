#pragma once
// The desktop shell's "open" action for a file or an address. The running program hands it to
// the desktop; tests install an opener that accepts or refuses.
#include <QUrl>
#include <functional>

namespace talvena {

using ShellOpener = std::function<bool(const QUrl&)>;

// Opens `url` as the desktop would on a double click; false when the shell refused it.
bool openInShell(const QUrl& url);

// Replaces the desktop's opener for the process; an empty opener restores it.
void installShellOpener(ShellOpener opener);

} // namespace talvena
