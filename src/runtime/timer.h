// A Timer control: while it is enabled and its interval is not zero, its handler runs every
// `Interval` milliseconds from the message loop. Changing the interval of a running timer
// starts the count afresh; enabling a timer that runs already changes nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/timer.h"

namespace runtime {

class Timer {
  public:
    explicit Timer(std::function<void()> onTimer, std::uint32_t interval = 0)
        : onTimer_(std::move(onTimer)), interval_(interval) {}
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t milliseconds);

    // True while the system runs it (enabled with a non-zero interval).
    bool Running() const { return static_cast<bool>(running_); }

    // Stops the timer for good: it never runs again, whatever is set later. A form does this
    // to its timers when it unloads.
    void Release();

  private:
    void Restart();

    std::function<void()> onTimer_;
    std::uint32_t interval_;
    bool enabled_ = false;
    bool released_ = false;
    platform::Timer running_;
};

} // namespace runtime
