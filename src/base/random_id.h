#pragma once
// The process's one pseudo-random generator, used for record identifiers.
#include <cstdint>

namespace talvena {

// Restarts the sequence; the first draw seeds from the time and the process id unless this ran.
void seedRandom(uint32_t seed);

// A number from 0 to range - 1, uniformly; 0 when range is below 1.
int32_t RandomInt(int32_t range);

} // namespace talvena
