#include "base/error.h"

namespace talvena {

std::string formatMessage(const char* pattern, std::initializer_list<std::string> args)
{
    std::string out;
    auto next = args.begin();
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != args.end()) {
            out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace talvena
