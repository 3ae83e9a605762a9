// Timers on X11: the event loop's own, each tick run inside GuardCallback.
#include "platform/x11/session.h" // first: see there

#include "platform/timer.h"

#include <set>

#include "platform/messages.h"

namespace platform {
namespace {

std::set<x11::EventLoop::Id>& Running() {
    static std::set<x11::EventLoop::Id> running;
    return running;
}

} // namespace

TimerId SetTimer(std::uint32_t intervalMilliseconds, std::function<void()> callback) {
    x11::EventLoop::Id id = x11::Session::Get().Loop().AddTimer(
        std::chrono::milliseconds(intervalMilliseconds),
        [callback = std::move(callback)] { GuardCallback(callback); });
    Running().insert(id);
    return TimerId{id};
}

bool KillTimer(TimerId timer) {
    auto id = static_cast<x11::EventLoop::Id>(timer);
    if (Running().erase(id) == 0) {
        return false;
    }
    x11::Session::Get().Loop().RemoveTimer(id);
    return true;
}

} // namespace platform
