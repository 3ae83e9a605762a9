// Top-level windows of the forms and the screen they live on. Positions and sizes here are
// in pixels; the forms convert them to and from twips with the screen's factors.
#pragma once

#include <cstdint>
#include <string>

#include "gdi/gdi.h"
#include "gdi/handles.h"

namespace platform {

bool DestroyWindow(WindowHandle window);
using Window = UniqueHandle<WindowHandle, &DestroyWindow>;

// A form's window: a borderless popup tool window (no caption, no frame, no taskbar button;
// the client area starts at the window's top-left corner) of a class that receives
// double-clicks, created hidden at (x, y) with the given size. It paints its picture (see
// SetWindowPicture) unscaled at its top-left corner.
Window CreateFormWindow(const std::string& caption, std::int32_t x, std::int32_t y,
                        std::int32_t width, std::int32_t height);

bool IsWindow(WindowHandle window);

// Shows the window without activating it, or hides it; returns whether it was visible.
bool ShowWindow(WindowHandle window, bool visible);
bool IsWindowVisible(WindowHandle window);

// The window's rectangle on the screen (all zero when `window` is not a window).
PixelRect GetWindowRect(WindowHandle window);

// Moves and sizes the window to `rect`, leaving its place in the z-order and its visibility as
// they are; never activates it.
bool SetWindowRect(WindowHandle window, const PixelRect& rect);

// Puts the window into (on) or out of the band of windows that stay above all others, places
// it at `rect` and shows it, without activating it.
bool SetTopmost(WindowHandle window, bool on, const PixelRect& rect);

// Holds back the placement (SetWindowRect) and shape (SetWindowRgn) that `window` is given
// while the batch lives, and gives the window the last of each when it ends: the shape first,
// then the placement. The screen then shows the new size, position and shape together, and a
// shape taken away and given again in between costs nothing. Meanwhile GetWindowRect reports
// the held-back rectangle, so code inside the batch reads what it has written. SetTopmost,
// showing or hiding the window and destroying it make the held-back changes first. Batches of the
// same window nest; the outermost applies. A backend whose window system shows every change at once
// anyway may apply them as they come (the fake one does).
class WindowUpdateBatch {
  public:
    explicit WindowUpdateBatch(WindowHandle window);
    ~WindowUpdateBatch();
    WindowUpdateBatch(const WindowUpdateBatch&) = delete;
    WindowUpdateBatch& operator=(const WindowUpdateBatch&) = delete;

  private:
    WindowHandle window_;
    bool outermost_ = false;
};

// The bitmap a form window paints; {} for none. The window borrows it: the caller keeps it
// alive until it is replaced or the window is destroyed. Repaints the window.
void SetWindowPicture(WindowHandle window, BitmapHandle picture);

// Twips (1/1440 inch) per screen pixel, from the screen's logical resolution: 15 at 96 DPI.
float TwipsPerPixelX();
float TwipsPerPixelY();

ScreenSize GetScreenSize();

} // namespace platform
