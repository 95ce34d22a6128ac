#pragma once
// Splitting an angle in decimal degrees for degree-minute-second texts.
#include <cstdint>

namespace talvena {

struct Degrees {
    int32_t degrees;
    int32_t minutes;
    double seconds;
};

// Each part is truncated toward zero, so a negative angle gives parts that are all zero or
// negative (-10.5125 → -10, -30, about -45). The seconds keep the float error; nothing rounds them.
Degrees SplitDegrees(double x);

} // namespace talvena
