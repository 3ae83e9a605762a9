// What the tests of the X11 pieces share: the connection and loop under test, a second
// connection that looks from outside and drives the pointer and keys with XTest, and polling
// for what the server shows, with deadlines generous enough for a loaded machine.
#pragma once

#include <gtest/gtest.h>
// (after GoogleTest: Xlib's macros, None among them, would break its templates)
#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/pointer.h"

namespace x11test {

using namespace std::chrono_literals;

// The observer: a connection of its own, as another program would have.
class Observer {
  public:
    Observer();
    ~Observer();
    ::Display* Get() const { return display_; }
    Atom Intern(const char* name) const { return XInternAtom(display_, name, False); }

    std::vector<XRectangle> Shape(Window window, int kind) const;
    std::vector<unsigned long> Longs(Window window, const char* property) const;
    std::vector<Atom> Atoms(Window window, const char* property) const {
        std::vector<unsigned long> longs = Longs(window, property);
        return {longs.begin(), longs.end()};
    }
    bool HasAtom(Window window, const char* property, const char* atom) const;
    platform::x11::Point Position(Window window) const;
    bool Viewable(Window window) const;
    // The top-level window that holds `window` (the manager's frame, or itself).
    Window TopLevel(Window window) const;
    // The top-level window that takes the pointer's input at (x, y) of the screen, or None:
    // its shapes decide, as they decide for the pointer.
    Window TopLevelAt(int x, int y) const;
    // The root's children, bottom to top.
    std::vector<Window> Stacking() const;
    // The topmost viewable window of the root whose window type is `type`, or None.
    Window TopmostOfType(const char* type) const;
    struct Geometry {
        int x, y, width, height;
    };
    Geometry GeometryOf(Window window) const;
    // The pixel at (x, y) of the screen as 0xRRGGBB.
    unsigned long ScreenPixel(int x, int y) const;

    // Whether a window manager, and a compositor, run on the display, as seen from outside
    // (not through the backend's own test, which the tests check).
    bool WindowManagerRuns() const;
    bool CompositorRuns() const;

    // XTest input, each sent and synced with the server.
    void MovePointer(int x, int y) const;
    void Button(unsigned button, bool press) const;
    void Click(unsigned button) const {
        Button(button, true);
        Button(button, false);
    }
    void Key(const char* keysym, bool press) const;
    void Tap(const char* keysym) const {
        Key(keysym, true);
        Key(keysym, false);
    }

  private:
    ::Display* display_;
};

// Steps run from a timer of the loop under test, for input that must come while a modal loop
// (a menu, a drag, a message box) runs: every 30 ms the current step runs, again and again
// until it returns true, then the next one. A script not done after 30 s runs `rescue` at each
// tick instead (Escape, say), so that a failing test ends its modal loop rather than hanging.
class Script {
  public:
    Script(platform::x11::EventLoop& loop, std::vector<std::function<bool()>> steps,
           std::function<void()> rescue);
    ~Script() { loop_.RemoveTimer(timer_); }
    bool Done() const { return next_ == steps_.size(); }

  private:
    platform::x11::EventLoop& loop_;
    std::vector<std::function<bool()>> steps_;
    std::size_t next_ = 0;
    platform::x11::EventLoop::Id timer_;
    std::function<void()> rescue_;
    std::chrono::steady_clock::time_point deadline_;
};

// The desktop the test command asked for ($JELLOP_DESKTOP, set by scripts/env.sh's
// jellop_desktop: bare or managed): whether it is the managed one; none when it asked for none.
std::optional<bool> AskedForManagedDesktop();

// Whether the tests run on the managed desktop: the one asked for, else (nothing asked for)
// whether the observer sees a window manager. Never the backend's own answer, so that a fault
// in that cannot decide which of the tests run.
bool ManagedDesktop();

// The connection and loop under test, opened afresh for each test.
class X11Test : public ::testing::Test {
  protected:
    void SetUp() override;

    // Pumps the loop until `condition()` holds or `deadline` passes; whether it held.
    bool Eventually(const std::function<bool()>& condition,
                    std::chrono::milliseconds deadline = 15s);

    std::unique_ptr<platform::x11::Connection> connection_;
    std::unique_ptr<platform::x11::EventLoop> loop_;
    Observer observer_;
};

} // namespace x11test
