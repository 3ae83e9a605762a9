// The pointer in the program's terms: its position on the screen, asked from the server (so
// never stale), and button events typed by button, shift state and position, with
// double-clicks told apart by the desktop's double-click time.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "platform/x11/xlib/display.h"

namespace platform::x11 {

struct Point {
    int x;
    int y;
    friend bool operator==(const Point&, const Point&) = default;
};

enum class MouseButton { Left, Middle, Right };

struct ButtonEvent {
    MouseButton button;
    bool pressed;     // a press (else a release)
    bool doubleClick; // the second press of a double-click
    bool shift;
    bool control;
    Point screen; // the pointer on the screen
    Point window; // the pointer in the window
    Time time;    // the server's time of the event
};

// The pointer's position on the screen now.
Point PointerPosition(Connection& connection);
// The pointer's position on the screen now and, from the same reply, where the origin of
// `window` is on the screen (none when the window is on another screen).
struct PointerOverWindow {
    Point screen;
    std::optional<Point> windowOrigin;
};
PointerOverWindow PointerPosition(Connection& connection, Window window);

// Whether mouse button 1 is held down now.
bool LeftButtonDown(Connection& connection);

// Turns button presses and releases into ButtonEvents. A press is the second of a
// double-click when it follows the previous press of the same button within the double-click
// time and within 4 pixels of it on each axis (as on Windows); the press after a double-click
// starts afresh.
class ClickTracker {
  public:
    // The double-click time is asked for at each press: the desktop may change it any time.
    explicit ClickTracker(Connection& connection) : connection_(connection) {}

    // The typed event of an X ButtonPress or ButtonRelease; none for wheel buttons (4 to 7),
    // which are not clicks.
    std::optional<ButtonEvent> Track(const XButtonEvent& event);

  private:
    Connection& connection_;
    std::optional<ButtonEvent> lastPress_;
};

} // namespace platform::x11
