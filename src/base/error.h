#pragma once
// The one error type of the engine: it carries the exact message text (UTF-8) that the user sees.
#include <stdexcept>
#include <string>

namespace talvena {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Replaces each "%s" of a message pattern, in order, by the next argument.
std::string formatMessage(const char* pattern, std::initializer_list<std::string> args);

} // namespace talvena
