// Test controls of the fake backend's windows: the recorded state and operations of each
// window, and the screen the windows live on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gdi/handles.h"
#include "platform/window.h"

namespace platform::fake {

struct WindowOperation {
    // SetRect: SetWindowRect, or a move of the user's (a system drag); SetTopmost: SetTopmost.
    enum class Kind { Create, Show, Hide, SetRect, SetTopmost, SetRegion, SetPicture, Destroy };
    Kind kind = Kind::Create;
    PixelRect rect;             // the window's rectangle after the operation
    bool topmost = false;       // SetTopmost: into the band (true) or out of it
    bool redraw = false;        // SetRegion
    bool hasRegion = false;     // SetRegion: a shape was given (not cleared)
    std::uint64_t sequence = 0; // order among all recorded calls of the fake backend
};

struct WindowState {
    std::string caption;
    PixelRect rect;
    bool visible = false;
    bool topmost = false;
    BitmapHandle picture{};
    RegionHandle region{}; // owned by the window
    std::vector<WindowOperation> operations;
};

// Null when `window` is not a live window.
const WindowState* FindWindowState(WindowHandle window);

// The last state of a window that was destroyed, operations included; null when `window`
// was never destroyed.
const WindowState* FindDestroyedWindowState(WindowHandle window);

// Operations recorded since the window was created, and a way to start recording afresh.
void ClearWindowOperations(WindowHandle window);

// The screen: its size in pixels and its logical resolution (96 DPI: 15 twips per pixel).
void SetScreen(std::int32_t width, std::int32_t height, std::int32_t dpiX, std::int32_t dpiY);
// Back to 1280 x 1024 at 96 DPI.
void ResetScreen();

} // namespace platform::fake
