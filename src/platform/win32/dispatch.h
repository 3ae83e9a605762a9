// The window procedure's side of the window events, for the win32 files that register window
// classes: hands a message to the events installed for the window.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Turns a message of `window` into the window's event (a button press, a double-click, a close
// request, the end of the session) and runs it inside GuardCallback. True, with the message's
// result, when the window's events took the message, or when an exception is pending (the event
// raised it, or an earlier callback did); false, for the window's own processing, when the
// window has no event for the message or callbacks are stopped.
bool DispatchToEvents(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace platform::win32
