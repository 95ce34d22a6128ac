#pragma once
// The message of the engine error an action raises, or "no error": tests compare exact texts.
#include "base/error.h"

#include <functional>
#include <string>

namespace talvena::testsupport {

inline std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace talvena::testsupport
