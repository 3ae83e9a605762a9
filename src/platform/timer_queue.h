// The periodic timers of a backend that runs them itself (the fake's virtual clock, the X11
// loop's steady clock), with the rule of timer.h: a timer comes due `period` after it was set
// and keeps that schedule; a tick that comes late is not made up, and the next one comes a
// period after it. The clock is the owner's: every call is given the time it is now.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

template <typename TimePoint, typename Duration> class TimerQueue {
  public:
    using Id = std::uintptr_t;
    using Tick = std::shared_ptr<std::function<void()>>;

    // Ids are never given twice.
    Id Add(Duration period, std::function<void()> tick, TimePoint now) {
        Id id = nextId_++;
        timers_[id] = {period, now + period,
                       std::make_shared<std::function<void()>>(std::move(tick))};
        return id;
    }
    bool Remove(Id id) { return timers_.erase(id) > 0; }
    // Stops every timer; the ids given so far stay used.
    void Clear() { timers_.clear(); }
    bool Empty() const { return timers_.empty(); }

    std::optional<TimePoint> NextDue() const {
        std::optional<TimePoint> next;
        for (const auto& [id, timer] : timers_) {
            if (!next || timer.due < *next) {
                next = timer.due;
            }
        }
        return next;
    }

    // The timer due at `now` that has waited longest, rescheduled before its tick is handed
    // out (the tick may run a loop that serves the queue again); none when none is due. Taken
    // one after another at the same `now`, every timer due comes once.
    std::optional<std::pair<Id, Tick>> TakeDue(TimePoint now) {
        auto earliest = timers_.end();
        for (auto at = timers_.begin(); at != timers_.end(); ++at) {
            if (at->second.due <= now &&
                (earliest == timers_.end() || at->second.due < earliest->second.due)) {
                earliest = at;
            }
        }
        if (earliest == timers_.end()) {
            return std::nullopt;
        }
        Timer& timer = earliest->second;
        timer.due = timer.due + timer.period;
        if (timer.due <= now) {
            timer.due = now + timer.period; // ticks missed are dropped, not made up
        }
        return std::pair{earliest->first, timer.tick};
    }

    // Each timer: its id, period and next due time, in the order they were set.
    template <typename Visit> void ForEach(Visit visit) const {
        for (const auto& [id, timer] : timers_) {
            visit(id, timer.period, timer.due);
        }
    }

  private:
    struct Timer {
        Duration period;
        TimePoint due;
        Tick tick;
    };
    std::map<Id, Timer> timers_;
    Id nextId_ = 1;
};

} // namespace platform
