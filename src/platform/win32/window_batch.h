// The held-back placement and shape of windows inside a WindowUpdateBatch (window.h), for the
// Win32 window and region calls.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Holds a SetWindowPos call back when `window` is in a batch and the call neither changes the
// z-order nor shows or hides the window; false when it must be made now.
bool HoldPlacement(HWND window, int x, int y, int width, int height, UINT flags);

// Holds a SetWindowRgn call back when `window` is in a batch, taking over `region` (which
// may be null: no shape); false when it must be made now.
bool HoldShape(HWND window, HRGN region, BOOL redraw);

// The held-back rectangle; false when none is held.
bool HeldRect(HWND window, RECT& rect);

// The held-back shape: false when none is held; otherwise `region` is the shape to report
// (null: the window will have none).
bool HeldShape(HWND window, HRGN& region);

// Makes the held-back shape, then the held-back placement, and holds nothing afterwards.
void ApplyHeld(HWND window);

} // namespace platform::win32
