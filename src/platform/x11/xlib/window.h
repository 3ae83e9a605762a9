// The pet window: borderless, cut to exactly the rectangles of its shape (its bounding shape,
// which also bounds where it takes the pointer), showing one picture unscaled from its top-left
// corner, above other windows, on every workspace, never in a taskbar, pager or window
// switcher, never taking the keyboard focus.
//
// With a window manager (see ewmh.h) it is a managed window that says all that in EWMH terms:
// a utility window (a type that managers neither tile nor place: openbox keeps it where it
// asks to be, whereas it places a notification window itself) without decorations, states
// above, skip-taskbar, skip-pager and sticky, input hint false. Without one it places and
// stacks itself: override-redirect, raised again whenever another window covers it. A managed
// window whose manager ends with no successor does the same (raises itself) until the next
// manager takes it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "gdi/region_data.h"
#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/pet_visual.h"
#include "platform/x11/xlib/picture.h"
#include "platform/x11/xlib/pointer.h"

namespace platform::x11 {

struct WindowSize {
    int width;
    int height;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

// What changes in one frame; all of it reaches the server in one batch of requests.
struct WindowUpdate {
    std::optional<Point> position = std::nullopt;
    std::optional<WindowSize> size = std::nullopt;
    // Replaces the shape by these banded rectangles (right and bottom exclusive).
    std::optional<std::span<const RegionRect>> shape = std::nullopt;
    // The picture the window shows from now on, made for the window's visual (the server keeps
    // it for the window even when the ServerPicture is freed; on a visual with alpha the window
    // keeps a copy cut to the shape, made again from the picture when only the shape changes).
    const ServerPicture* picture = nullptr;
};

class PetWindow {
  public:
    // On a visual with alpha the window is transparent outside its shape as well as cut to it
    // (pet_visual.h).
    PetWindow(Connection& connection, EventLoop& loop, const std::string& title, Point position,
              WindowSize size, const PetVisual& visual = {});
    ~PetWindow();
    PetWindow(const PetWindow&) = delete;
    PetWindow& operator=(const PetWindow&) = delete;

    Window Id() const { return window_; }
    // Whether a window manager holds the window now: one ran when the window was made, and
    // none has ended since without another taking the window over.
    bool Managed() const { return held_; }

    // Maps the window. A window manager takes a window on its way to the screen (it reparents
    // it into a frame at the top-left corner, then moves the frame where the window asked to
    // be): until it shows, the server's idea of its position is not yet the real one, so under
    // a manager this waits for the server's word that the window is viewable (half a second at
    // most: a manager that never maps it does not hang the program).
    void Show();
    void Hide();
    bool Visible() const { return visible_; }

    void Apply(const WindowUpdate& update);
    // Takes the shape off: the whole rectangle of the window shows again.
    void RemoveShape();
    // The window's opacity, 0 (clear) to 255 (opaque), for a compositor to show.
    void SetOpacity(std::uint8_t alpha);

    // Where the window is on the screen now, asked from the server (so a move by the user or
    // the window manager shows at once). Inside a callback of the loop the answer is kept for
    // the rest of the callback's turn, until the program places, shows or hides the window:
    // a walking tick reads the position several times, and each read is a round trip.
    Point Position() const;
    // The pointer's position on the screen now; the same reply tells where the window is,
    // which Position() then gives for the rest of the turn without asking again.
    Point PointerPosition();
    WindowSize Size() const { return size_; }

    // Without a manager the window raises itself whenever another covers it; while the
    // program's own pop-ups (its menu, its message box) are open it lets them lie above it.
    void KeepRaised(bool on) { keepRaised_ = on; }

    // Into (on, as it is made) or out of the band of windows above all others: the manager's
    // above state, or without one the window's own raising.
    void SetTopmost(bool on);

    // Button presses and releases on the window.
    void OnButton(std::function<void(const ButtonEvent&)> handler) {
        onButton_ = std::move(handler);
    }
    // The window manager asking the window to close (WM_DELETE_WINDOW: its close button, a
    // keyboard shortcut, the session's end).
    void OnCloseRequest(std::function<void()> handler) { onClose_ = std::move(handler); }

  private:
    void SetManagedProperties();
    long EventMask() const;
    void WatchManager();
    void ManagerChanged();
    void RaiseWithoutManager();
    void HandleEvent(const XEvent& event);
    void ShowPicture(WindowSize size);

    Connection& connection_;
    EventLoop& loop_;
    Window window_;
    bool managed_; // made for a window manager: not override-redirect, with EWMH states
    bool held_;    // in a window manager's hands now
    Window managerCheck_ = None; // the check window of the manager that holds the window
    bool visible_ = false;
    bool keepRaised_ = true;
    bool topmost_ = true;
    WindowSize size_;
    PetVisual visual_;
    Pixmap picture_ = None; // the picture the window shows
    // With alpha: the shape the picture is cut to (none: the whole window), and the context
    // that draws the cut copies.
    std::optional<std::vector<XRectangle>> shape_;
    GC canvasGc_ = nullptr;
    // The position last read, in the loop's callback turn `positionTurn_`.
    mutable std::optional<Point> position_;
    mutable std::uint64_t positionTurn_ = 0;
    ClickTracker clicks_;
    std::function<void(const ButtonEvent&)> onButton_;
    std::function<void()> onClose_;
};

} // namespace platform::x11
