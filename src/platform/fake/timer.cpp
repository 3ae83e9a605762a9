// Fake timers on the virtual clock (timer_queue.h). Like the system's, a timer ticks only when
// the thread pumps messages and nothing else is waiting.
#include "platform/timer.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/fake/fake_timer.h"
#include "platform/fake/loop.h"
#include "platform/messages.h"
#include "platform/timer_queue.h"

namespace platform {
namespace {

// The shortest interval the system runs a timer at (USER_TIMER_MINIMUM).
constexpr std::uint32_t kMinimumInterval = 10;

struct TimerState {
    TimerQueue<std::uint32_t, std::uint32_t> queue; // on the virtual clock, in milliseconds
    std::vector<fake::TimerTick> ticks;
};

TimerState& State() {
    static TimerState state;
    return state;
}

} // namespace

TimerId SetTimer(std::uint32_t intervalMilliseconds, std::function<void()> callback) {
    std::uint32_t interval = std::max(intervalMilliseconds, kMinimumInterval);
    return TimerId{State().queue.Add(interval, std::move(callback), TickCount())};
}

bool KillTimer(TimerId timer) {
    return State().queue.Remove(static_cast<std::uintptr_t>(timer));
}

namespace fake {

std::vector<RunningTimer> RunningTimers() {
    std::vector<RunningTimer> running;
    State().queue.ForEach([&](std::uintptr_t id, std::uint32_t interval, std::uint32_t due) {
        running.push_back({TimerId{id}, interval, due});
    });
    return running;
}

const std::vector<TimerTick>& TimerTicks() {
    return State().ticks;
}

void ResetTimers() {
    State().queue.Clear(); // ids are never reused
    State().ticks.clear();
}

namespace detail {

std::optional<std::uint32_t> NextTimerDue() {
    return State().queue.NextDue();
}

bool FireDueTimer() {
    if (ExceptionPending()) {
        return false;
    }
    auto due = State().queue.TakeDue(TickCount());
    if (!due) {
        return false;
    }
    State().ticks.push_back({TimerId{due->first}, TickCount()});
    // Held while it runs: the callback may kill its own timer.
    GuardCallback(*due->second);
    return true;
}

} // namespace detail
} // namespace fake
} // namespace platform
