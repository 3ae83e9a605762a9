// What the window manager offers, and the properties by which a window tells it what the
// window is (EWMH and the Motif hints).
//
// A window manager counts as running when the root's _NET_SUPPORTING_WM_CHECK names a window
// whose own _NET_SUPPORTING_WM_CHECK names itself: the test EWMH defines for a compliant
// manager that runs now. A manager that has died leaves the root property behind, pointing at
// a window that is gone, and a manager without EWMH would not honour the states and types the
// pet window relies on anyway, so both count as no manager (the window then places and stacks
// itself, override-redirect).
#pragma once

#include <X11/Xlib.h>

#include <span>
#include <string>

#include "platform/x11/xlib/display.h"

namespace platform::x11 {

bool WindowManagerRuns(Connection& connection);

// Whether the root's _NET_SUPPORTED lists `atom` (for example _NET_WM_MOVERESIZE).
bool WindowManagerSupports(Connection& connection, const std::string& atom);

// Sets `property` of `window` to the list of atoms `names` (type ATOM).
void SetAtomList(Connection& connection, Window window, const std::string& property,
                 std::span<const char* const> names);

// Sets the 32-bit CARDINAL `property` of `window` to `value`.
void SetCardinal(Connection& connection, Window window, const std::string& property,
                 unsigned long value);

// The Motif hints that ask for no decorations at all.
void SetNoDecorations(Connection& connection, Window window);

// Sends the root a client message about `window`, as EWMH requests to the manager are sent.
void SendToRoot(Connection& connection, Window window, const std::string& messageType,
                const long (&data)[5]);

} // namespace platform::x11
