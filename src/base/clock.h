#pragma once
#include <cstdint>

namespace talvena {

// Milliseconds since the system started (suspended time included), wrapping at 32 bits.
uint32_t TickCount();

} // namespace talvena
