// Periodic timers of the user-interface thread. A timer's callback runs from the message pump
// (a pass of it, the message loop, or a modal loop of the window system), never by itself, and
// always inside GuardCallback. A timer comes due `interval` milliseconds after it was set and
// keeps that schedule; ticks that were missed while nothing pumped are not made up: a late tick
// comes once, and the next one when it is due (an interval after the late one when a whole
// interval has gone by).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace platform {

enum class TimerId : std::uintptr_t {};

// Starts a timer; {} when the system has no timer left.
TimerId SetTimer(std::uint32_t intervalMilliseconds, std::function<void()> callback);

// Stops a timer; a tick of it that is under way finishes. False when `timer` is not running.
bool KillTimer(TimerId timer);

// Move-only owner of a running timer.
class Timer {
  public:
    Timer() = default;
    Timer(std::uint32_t intervalMilliseconds, std::function<void()> callback)
        : id_(SetTimer(intervalMilliseconds, std::move(callback))) {}
    Timer(Timer&& other) noexcept : id_(other.id_) { other.id_ = TimerId{}; }
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            Reset();
            id_ = other.id_;
            other.id_ = TimerId{};
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { Reset(); }

    explicit operator bool() const { return id_ != TimerId{}; }
    void Reset() {
        if (id_ != TimerId{}) {
            KillTimer(id_);
            id_ = TimerId{};
        }
    }

  private:
    TimerId id_{};
};

} // namespace platform
