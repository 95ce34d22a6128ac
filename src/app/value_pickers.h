#pragma once
// The two picker dialogs the picker boxes open, behind an interface so that the window can be
// driven without a screen. Each returns the confirmed value, or nothing when cancelled.
#include <optional>

namespace talvena {

class ValuePickers {
public:
    virtual ~ValuePickers() = default;
    // A map scale denominator (0 for "no value"), preset to `current`.
    virtual std::optional<int> pickScale(int current) = 0;
    // The ID of a stratigraphic index of Dict16, preset to `current`.
    virtual std::optional<int> pickStratigraphicIndex(int current) = 0;
};

} // namespace talvena
