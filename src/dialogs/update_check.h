#pragma once
// The update check of the About box: ask the server for its version, compare it with ours, and
// on the user's word hand the setup program's address to the desktop shell.
#include <QByteArray>
#include <chrono>
#include <functional>
#include <optional>

namespace talvena {

class UserInteraction;

struct UpdateServerSetup {
    QByteArray address; // "host" or "host:port"; empty when none is configured
    std::chrono::milliseconds timeout{10'000};
};

// The server of the setting UpdateServer, unless a test installed another.
UpdateServerSetup updateServerSetup();
void overrideUpdateServerSetup(std::optional<UpdateServerSetup> setup);

enum class UpdateCheckResult {
    NoAnswer,      // the server could not be asked or gave no version line
    SameVersion,
    OlderOnServer, // the server's version is older than ours: nothing is offered
    Declined,      // the user answered No to the update
    ShellRefused,  // the user said Yes but the shell would not open the setup address
    UpdateStarted, // the shell took the setup address: the program should close
};

// Runs the check with the messages and the question shown through `ui`. `whileWaiting` wraps
// the exchange with the server (the About box shows it is busy meanwhile); by default it just
// runs it.
UpdateCheckResult RunUpdateCheck(const UpdateServerSetup& server, UserInteraction& ui,
                                 const std::function<void(const std::function<void()>&)>& whileWaiting = {});

} // namespace talvena
