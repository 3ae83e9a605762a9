#include "runtime/timer.h"

namespace runtime {

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    Restart();
}

void Timer::SetInterval(std::uint32_t milliseconds) {
    interval_ = milliseconds;
    Restart();
}

void Timer::Release() {
    released_ = true;
    running_.Reset();
}

void Timer::Restart() {
    running_.Reset();
    if (enabled_ && interval_ != 0 && !released_) {
        // The handler is reached through the control, not copied: a tick runs the handler the
        // control has now.
        running_ = platform::Timer(interval_, [this] { onTimer_(); });
    }
}

} // namespace runtime
