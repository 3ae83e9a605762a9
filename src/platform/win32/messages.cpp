// Window messages on Win32: the handler table behind the form windows' window procedure, and
// the pump and loop around PeekMessage/GetMessage and DispatchMessage.
#include <windows.h>
// The platform layer's PostMessage and SendMessage are functions of their own, not the Win32
// macros.
#undef PostMessage
#undef SendMessage

#include "platform/messages.h"

#include <map>
#include <memory>

#include "platform/win32/dispatch.h"
#include "platform/win32/handle_cast.h"

namespace platform {

using win32::ToHwnd;
namespace {

std::map<HWND, std::shared_ptr<MessageHandler>>& Handlers() {
    static std::map<HWND, std::shared_ptr<MessageHandler>> handlers;
    return handlers;
}

void Dispatch(MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

} // namespace

void SetMessageHandler(WindowHandle window, MessageHandler handler) {
    if (handler) {
        Handlers()[ToHwnd(window)] = std::make_shared<MessageHandler>(std::move(handler));
    } else {
        Handlers().erase(ToHwnd(window));
    }
}

bool PostMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    return PostMessageA(ToHwnd(window), id, wParam, lParam) != FALSE;
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    LRESULT result = SendMessageA(ToHwnd(window), id, wParam, lParam);
    RethrowPendingException();
    return result;
}

void PumpPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that owns the thread.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dispatch(msg);
        RethrowPendingException();
    }
    RethrowPendingException();
}

void RunMessageLoop(const std::function<bool()>& done) {
    RethrowPendingException();
    MSG msg;
    while (!(done && done())) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return; // WM_QUIT, or no queue left to read
        }
        Dispatch(msg);
        RethrowPendingException();
    }
}

namespace detail {

void EndModalLoops() {
    // A tracked menu ends with EndMenu; the move loop ends when it loses the capture.
    EndMenu();
    ::ReleaseCapture();
}

} // namespace detail

namespace win32 {

bool DispatchToHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    auto found = Handlers().find(window);
    if (found == Handlers().end()) {
        return false;
    }
    // Held while it runs: the handler may remove itself.
    std::shared_ptr<MessageHandler> handler = found->second;
    std::optional<std::intptr_t> handled;
    bool ran = GuardCallback([&] { handled = (*handler)(Message{message, wParam, lParam}); });
    if (!ran && ExceptionPending()) {
        // The loop that rethrows it is about to take over: the message ends here.
        result = 0;
        return true;
    }
    // Otherwise a message the handler did not take, or that reached the window after the
    // callbacks were stopped (while the error message box is up), gets the window's own
    // processing: the window still paints itself (a WM_PAINT answered without painting comes
    // back at once, for ever) and keeps its default behaviour.
    if (handled) {
        result = *handled;
        return true;
    }
    return false;
}

} // namespace win32
} // namespace platform
