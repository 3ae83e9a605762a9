// The pop-up menu of the program's own: a window of its items at the pointer, drawn with the
// pop-up drawing (draw.h), holding the pointer and keyboard grabs while it is open so that
// Up, Down, Return, Escape and the access keys work and no key or click reaches another
// program. A click outside closes it. It runs a modal loop: timers keep ticking while it is
// open.
#pragma once

#include <span>
#include <string>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/draw.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/pointer.h"

namespace platform::x11 {

struct MenuItem {
    enum class Kind { Command, Check, Separator };
    Kind kind;
    std::string caption; // with '&' before the access key
    int command = 0;     // what TrackPopupMenu returns when the item is chosen (not 0)
    bool checked = false;
};

// Shows `items` with the menu's top-left corner at `at` (moved to stay on the screen), until
// an item is chosen or the menu is closed. The chosen item's command, or 0 when none was
// chosen (Escape, a click elsewhere, or the grabs could not be had).
int TrackPopupMenu(Connection& connection, EventLoop& loop, const Painter& painter,
                   std::span<const MenuItem> items, Point at);

} // namespace platform::x11
