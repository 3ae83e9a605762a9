// Backend-neutral part of the message layer: the pending exception of the callbacks.
#include "platform/messages.h"

namespace platform {
namespace {

std::exception_ptr& Pending() {
    static std::exception_ptr pending;
    return pending;
}

bool& Stopped() {
    static bool stopped = false;
    return stopped;
}

} // namespace

bool GuardCallback(const std::function<void()>& body) {
    if (Pending() || Stopped()) {
        return false;
    }
    try {
        body();
        return true;
    } catch (...) {
        Pending() = std::current_exception();
        detail::EndModalLoops();
        return false;
    }
}

bool ExceptionPending() {
    return static_cast<bool>(Pending());
}

void RethrowPendingException() {
    if (std::exception_ptr pending = std::exchange(Pending(), nullptr)) {
        std::rethrow_exception(pending);
    }
}

void StopCallbacks() {
    Stopped() = true;
}

namespace detail {

void ResetCallbackState() {
    Pending() = nullptr;
    Stopped() = false;
}

} // namespace detail

} // namespace platform
