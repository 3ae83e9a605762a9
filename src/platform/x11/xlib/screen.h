// The screen's metrics in the program's terms: its size in pixels and the twips per pixel of
// its resolution (1440 twips to the inch).
#pragma once

#include <functional>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"

namespace platform::x11 {

struct ScreenSize {
    int width;
    int height;
};

// The desktop's resolution in dots per inch: the resource Xft.dpi when the resource database
// sets it to a positive number (desktops set it for the fonts they scale), else 96.
double ScreenDpi(Connection& connection);

// How many pixels of the screen show one pixel of the program at `dpi`. The program works in
// pixels of a 96-DPI screen, as Windows shows a program that does not scale itself; on a denser
// screen everything it shows is drawn that many times larger. A whole number, so the picture
// stays crisp: dpi / 96 to the nearest, halves up, at least 1 (1 below 144 DPI, 2 from 144 to
// 239, 3 from 240).
int ScaleForDpi(double dpi);

// The size of the connection's screen in pixels.
ScreenSize ScreenSizeInPixels(const Connection& connection);

// Whether the X server is a Wayland compositor's (Xwayland): it offers the XWAYLAND extension
// (Xwayland 23 and later) or names its RandR outputs XWAYLAND0, XWAYLAND1 and so on (all).
bool ServedByXwayland(Connection& connection);

// A monitor's part of the screen, in the screen's pixels.
struct MonitorArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

// The primary monitor as RandR names it. When it names none, the monitor at the screen's
// top-left corner, which Wine then takes for the primary (so both programs pan alike), and the
// whole screen when RandR lists no monitor there.
MonitorArea PrimaryMonitor(Connection& connection);

// Calls `changed` from the loop whenever the screen's layout changes (a monitor added,
// removed, moved or given another resolution), for as long as it lives. The RandR events go to
// a small window of its own, which needs no handler of the root window.
class ScreenChanges {
  public:
    ScreenChanges(Connection& connection, EventLoop& loop, std::function<void()> changed);
    ~ScreenChanges();
    ScreenChanges(const ScreenChanges&) = delete;
    ScreenChanges& operator=(const ScreenChanges&) = delete;

  private:
    Connection& connection_;
    EventLoop& loop_;
    Window window_ = None;
};

} // namespace platform::x11
