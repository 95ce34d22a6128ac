#include "base/clock.h"

#include <ctime>

namespace talvena {

uint32_t TickCount()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

} // namespace talvena
