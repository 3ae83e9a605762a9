#include "platform/x11/xlib/drag.h"

#include <chrono>

#include "platform/x11/xlib/ewmh.h"

namespace platform::x11 {

namespace {

constexpr long kMoveResizeMove = 8;    // _NET_WM_MOVERESIZE_MOVE
constexpr long kSourceApplication = 1; // the request comes from the application itself
constexpr std::chrono::milliseconds kButtonPoll(20);

// The manager's move: the program's implicit grab of the press is given up so that the
// manager can take the pointer; the move ends when the button is up, which the manager's grab
// keeps from reaching the program as an event, so the button is asked for until then.
void ManagerMove(Connection& connection, EventLoop& loop, PetWindow& window,
                 const ButtonEvent& press) {
    XUngrabPointer(connection.Get(), CurrentTime);
    const long data[5] = {press.screen.x, press.screen.y, kMoveResizeMove, Button1,
                          kSourceApplication};
    SendToRoot(connection, window.Id(), "_NET_WM_MOVERESIZE", data);
    XFlush(connection.Get());
    bool released = false;
    EventLoop::Id poll =
        loop.AddTimer(kButtonPoll, [&] { released = released || !LeftButtonDown(connection); });
    loop.RunUntil([&] { return released; });
    loop.RemoveTimer(poll);
}

// The program's own move: the pointer grabbed on the root, so that every motion comes to the
// program wherever the pointer goes.
void OwnMove(Connection& connection, EventLoop& loop, PetWindow& window, const ButtonEvent& press) {
    ::Display* display = connection.Get();
    const Point start = window.Position();
    const Point grip{press.screen.x - start.x, press.screen.y - start.y};
    constexpr unsigned kEvents = ButtonReleaseMask | PointerMotionMask;
    if (XGrabPointer(display, connection.Root(), False, kEvents, GrabModeAsync, GrabModeAsync, None,
                     None, press.time) != GrabSuccess) {
        return;
    }
    bool released = false;
    auto follow = [&](int x, int y) { window.Apply({.position = Point{x - grip.x, y - grip.y}}); };
    loop.SetWindowHandler(connection.Root(), [&](const XEvent& event) {
        // Only motions made with the button down are the drag's: a busy program may read the
        // release and the motions after it together, and the pet stays where it was let go.
        if (event.type == MotionNotify && (event.xmotion.state & Button1Mask) != 0) {
            follow(event.xmotion.x_root, event.xmotion.y_root);
        } else if (event.type == ButtonRelease && event.xbutton.button == Button1) {
            follow(event.xbutton.x_root, event.xbutton.y_root);
            released = true;
        }
    });
    // A release that came before the grab is seen by asking for the button.
    EventLoop::Id poll =
        loop.AddTimer(kButtonPoll, [&] { released = released || !LeftButtonDown(connection); });
    loop.RunUntil([&] { return released; });
    loop.RemoveTimer(poll);
    // Motions read with the reply that showed the button up are still to be followed.
    loop.PumpPass();
    loop.SetWindowHandler(connection.Root(), nullptr);
    XUngrabPointer(display, CurrentTime);
    XFlush(display);
}

} // namespace

Point DragWindow(Connection& connection, EventLoop& loop, PetWindow& window,
                 const ButtonEvent& press) {
    if (window.Managed() && WindowManagerSupports(connection, "_NET_WM_MOVERESIZE")) {
        ManagerMove(connection, loop, window, press);
    } else {
        OwnMove(connection, loop, window, press);
    }
    return window.Position();
}

} // namespace platform::x11
