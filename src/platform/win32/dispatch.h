// The window procedure's side of the message layer, for the win32 files that register window
// classes: hands a message to the handler installed for the window.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Calls the handler of `window` (inside GuardCallback). True, with its result, when the
// handler took the message, and with 0 when an exception is pending (the handler raised it, or
// an earlier callback did); false, for the window's own processing, when the window has no
// handler, the handler left the message to default processing, or callbacks are stopped.
bool DispatchToHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace platform::win32
