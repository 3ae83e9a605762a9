// Test control of the fake backend's time of day. Unless a time is set, the time of day
// follows the virtual clock: midnight at tick 0.
#pragma once

#include <optional>

namespace platform::fake {

// Fixes the time of day (seconds since midnight); none = follow the virtual clock again.
void SetTimeOfDay(std::optional<double> seconds);

} // namespace platform::fake
