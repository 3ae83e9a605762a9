// The held-back placement and shape of windows inside a WindowUpdateBatch (window.h), for the
// Win32 window and region calls.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Holds a placement (SetWindowRect: no z-order change, no show or hide) back when `window` is in
// a batch; false when it must be made now.
bool HoldPlacement(HWND window, const RECT& rect);

// Holds a SetWindowRgn call back when `window` is in a batch, taking over `region` (which
// may be null: no shape); false when it must be made now.
bool HoldShape(HWND window, HRGN region, BOOL redraw);

// The held-back rectangle; false when none is held.
bool HeldRect(HWND window, RECT& rect);

// Makes the held-back shape, then the held-back placement, and holds nothing afterwards.
void ApplyHeld(HWND window);

} // namespace platform::win32
