// Test controls of the fake backend's timers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/timer.h"

namespace platform::fake {

struct RunningTimer {
    TimerId id{};
    std::uint32_t interval = 0; // as the system runs it: at least 10 ms
    std::uint32_t nextDue = 0;  // virtual time of the next tick
};

// The timers running now, oldest first.
std::vector<RunningTimer> RunningTimers();

struct TimerTick {
    TimerId id{};
    std::uint32_t time = 0;
};
// Every tick delivered, in order.
const std::vector<TimerTick>& TimerTicks();

// Stops every timer and forgets the ticks.
void ResetTimers();

} // namespace platform::fake
