// Dragging the pet window with the left button: the window follows the pointer and ends where
// the button is released. With a window manager that offers _NET_WM_MOVERESIZE the manager
// moves it (as it moves its own windows, with its own pointer grab and edge rules); otherwise
// the program grabs the pointer and moves the window itself.
//
// Modal, as a system move is on Windows: the call returns when the button is up, and timers
// keep ticking meanwhile. The window's position is the real one throughout (PetWindow reads
// it from the server), so a tick that moves the window during the drag starts from where the
// pointer has taken it.
#pragma once

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/pointer.h"
#include "platform/x11/xlib/window.h"

namespace platform::x11 {

// Drags `window` from the left-button press `press` on it until the button is released; the
// window's position at the end.
Point DragWindow(Connection& connection, EventLoop& loop, PetWindow& window,
                 const ButtonEvent& press);

} // namespace platform::x11
