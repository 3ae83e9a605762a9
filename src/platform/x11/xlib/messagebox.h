// The program's message box: a small dialog with a text and an OK button, drawn with the
// pop-up drawing (draw.h), centred on the screen. Modal: it returns when closed (OK clicked,
// Return, Escape or space pressed, or the window manager's close), and timers tick meanwhile.
// The text also goes to standard error, for a program started from a terminal or without a
// desktop to show the box on.
#pragma once

#include <string>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/draw.h"
#include "platform/x11/xlib/loop.h"

namespace platform::x11 {

void ShowMessageBox(Connection& connection, EventLoop& loop, const Painter& painter,
                    const std::string& title, const std::string& text);

// Writes "title: text" and a line end to standard error.
void WriteMessageToStandardError(const std::string& title, const std::string& text);

} // namespace platform::x11
