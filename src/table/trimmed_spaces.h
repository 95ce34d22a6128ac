#pragma once
// Numbers and dates typed into fields are read without the spaces around them.
#include <QByteArray>

#include <utility>

namespace talvena {

// The text without its leading and trailing spaces, as [begin, end) into its bytes.
inline std::pair<const char*, const char*> TrimmedSpaces(const QByteArray& text)
{
    const char* begin = text.constData();
    const char* end = begin + text.size();
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
    return {begin, end};
}

} // namespace talvena
