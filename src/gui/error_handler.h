#pragma once
// The application's top-level error handler: an error that reaches an event handler is shown in a
// message box "Ошибка" and the program goes on.
#include <exception>
#include <functional>
#include <utility>

namespace talvena {

void ShowApplicationError(const std::exception& error);

// Runs a handler; an error it raises is shown. Returns false when one was.
bool RunGuarded(const std::function<void()>& handler);

// Wraps a handler for connect(): the slot runs guarded.
template <class F>
auto Guarded(F handler)
{
    return [handler = std::move(handler)](auto&&... args) { RunGuarded([&] { handler(args...); }); };
}

} // namespace talvena
