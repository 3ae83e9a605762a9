// Window events on Win32: the form windows' messages turned into their events, and the pump
// and loop around PeekMessage/GetMessage and DispatchMessage.
#include "platform/messages.h"

#include <windows.h>
#include <windowsx.h>

#include <memory>

#include "gdi/win32/handle_cast.h"
#include "platform/win32/dispatch.h"
#include "platform/window_events_table.h"

namespace platform {

using win32::FromNative;
namespace {

WindowEventsTable& Events() {
    static WindowEventsTable events;
    return events;
}

void Dispatch(MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// A button message's press: the button, the shift keys from wParam and the client position,
// signed 16 bits each, from lParam.
ButtonPress PressOf(MouseButton button, WPARAM wParam, LPARAM lParam) {
    ButtonPress press;
    press.button = button;
    press.shift = (wParam & MK_SHIFT) != 0;
    press.control = (wParam & MK_CONTROL) != 0;
    press.x = GET_X_LPARAM(lParam);
    press.y = GET_Y_LPARAM(lParam);
    return press;
}

// The event a message is, as a call of the window's events; empty when the window has no event
// for it.
std::function<void()> EventOf(const WindowEvents& events, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    auto pressed = [&](const std::function<void(const ButtonPress&)>& event, MouseButton button) {
        if (!event) {
            return std::function<void()>();
        }
        return std::function<void()>(
            [&event, press = PressOf(button, wParam, lParam)] { event(press); });
    };
    switch (message) {
    case WM_LBUTTONDOWN:
        return pressed(events.buttonDown, MouseButton::Left);
    case WM_RBUTTONDOWN:
        return pressed(events.buttonDown, MouseButton::Right);
    case WM_MBUTTONDOWN:
        return pressed(events.buttonDown, MouseButton::Middle);
    case WM_LBUTTONDBLCLK:
        return pressed(events.doubleClick, MouseButton::Left);
    case WM_RBUTTONDBLCLK:
        return pressed(events.doubleClick, MouseButton::Right);
    case WM_MBUTTONDBLCLK:
        return pressed(events.doubleClick, MouseButton::Middle);
    case WM_CLOSE:
        return events.closeRequest;
    case WM_ENDSESSION:
        // wParam is zero when the session goes on after all.
        return wParam != 0 ? events.sessionEnd : std::function<void()>();
    default:
        return {};
    }
}

} // namespace

void SetWindowEvents(WindowHandle window, WindowEvents events) {
    Events().Set(window, std::move(events));
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

bool DispatchToEvents(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Held while it runs: the event may remove the window's events.
    std::shared_ptr<const WindowEvents> events = Events().Find(FromNative<WindowHandle>(window));
    if (!events) {
        return false;
    }
    std::function<void()> event = EventOf(*events, message, wParam, lParam);
    if (!event) {
        return false;
    }
    bool ran = GuardCallback(event);
    // A message that reached the window after the callbacks were stopped (while the error
    // message box is up) gets the window's own processing.
    if (!ran && !ExceptionPending()) {
        return false;
    }
    result = 0;
    return true;
}

} // namespace win32
} // namespace platform
