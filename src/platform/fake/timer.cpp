// Fake timers on the virtual clock. Like the system's, a timer ticks only when the thread
// pumps messages and nothing else is waiting; a late tick is not made up, and the next one
// comes one interval after it.
#include "platform/timer.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/app.h"
#include "platform/fake/fake_timer.h"
#include "platform/fake/loop.h"
#include "platform/messages.h"

namespace platform {
namespace {

// The shortest interval the system runs a timer at (USER_TIMER_MINIMUM).
constexpr std::uint32_t kMinimumInterval = 10;

struct Entry {
    std::uint32_t interval = 0;
    std::uint32_t due = 0;
    std::shared_ptr<std::function<void()>> callback;
};

struct TimerState {
    std::map<std::uintptr_t, Entry> timers;
    std::uintptr_t nextId = 1;
    std::vector<fake::TimerTick> ticks;
};

TimerState& State() {
    static TimerState state;
    return state;
}

} // namespace

TimerId SetTimer(std::uint32_t intervalMilliseconds, std::function<void()> callback) {
    std::uint32_t interval = std::max(intervalMilliseconds, kMinimumInterval);
    std::uintptr_t id = State().nextId++;
    State().timers[id] = Entry{interval, TickCount() + interval,
                               std::make_shared<std::function<void()>>(std::move(callback))};
    return TimerId{id};
}

bool KillTimer(TimerId timer) {
    return State().timers.erase(static_cast<std::uintptr_t>(timer)) > 0;
}

namespace fake {

std::vector<RunningTimer> RunningTimers() {
    std::vector<RunningTimer> running;
    for (const auto& [id, entry] : State().timers) {
        running.push_back({TimerId{id}, entry.interval, entry.due});
    }
    return running;
}

const std::vector<TimerTick>& TimerTicks() {
    return State().ticks;
}

void ResetTimers() {
    std::uintptr_t nextId = State().nextId;
    State() = TimerState{};
    State().nextId = nextId; // ids are never reused
}

namespace detail {

std::optional<std::uint32_t> NextTimerDue() {
    std::optional<std::uint32_t> next;
    for (const auto& [id, entry] : State().timers) {
        if (!next || entry.due < *next) {
            next = entry.due;
        }
    }
    return next;
}

bool FireDueTimer() {
    auto& timers = State().timers;
    auto earliest = timers.end();
    for (auto at = timers.begin(); at != timers.end(); ++at) {
        if (at->second.due <= TickCount() &&
            (earliest == timers.end() || at->second.due < earliest->second.due)) {
            earliest = at;
        }
    }
    if (earliest == timers.end() || ExceptionPending()) {
        return false;
    }
    earliest->second.due = TickCount() + earliest->second.interval;
    State().ticks.push_back({TimerId{earliest->first}, TickCount()});
    // Held while it runs: the callback may kill its own timer.
    std::shared_ptr<std::function<void()>> callback = earliest->second.callback;
    GuardCallback(*callback);
    return true;
}

} // namespace detail
} // namespace fake
} // namespace platform
