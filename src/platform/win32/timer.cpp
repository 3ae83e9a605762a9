// Timers on Win32: thread timers (SetTimer without a window) whose TIMERPROC runs the callback
// when DispatchMessage delivers their WM_TIMER, in the program's loop or in a modal loop.
#include "platform/timer.h"

#include <windows.h>

#include <map>
#include <memory>

#include "platform/messages.h"

namespace platform {
namespace {

std::map<UINT_PTR, std::shared_ptr<std::function<void()>>>& Callbacks() {
    static std::map<UINT_PTR, std::shared_ptr<std::function<void()>>> callbacks;
    return callbacks;
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = Callbacks().find(id);
    if (found == Callbacks().end()) {
        return; // killed while its message waited
    }
    // Held while it runs: the callback may kill its own timer.
    std::shared_ptr<std::function<void()>> callback = found->second;
    GuardCallback(*callback);
}

} // namespace

TimerId SetTimer(std::uint32_t intervalMilliseconds, std::function<void()> callback) {
    UINT_PTR id = ::SetTimer(nullptr, 0, intervalMilliseconds, &TimerProc);
    if (id == 0) {
        return TimerId{};
    }
    Callbacks()[id] = std::make_shared<std::function<void()>>(std::move(callback));
    return TimerId{id};
}

bool KillTimer(TimerId timer) {
    auto id = static_cast<UINT_PTR>(timer);
    Callbacks().erase(id);
    return ::KillTimer(nullptr, id) != FALSE;
}

} // namespace platform
