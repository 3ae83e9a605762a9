// How the X events of a form window reach the events the program installed for it.
#pragma once

#include "gdi/handles.h"
#include "platform/x11/xlib/pointer.h"

namespace platform::x11 {

// A press or release on the form window `window`: a press becomes its buttonDown or, the
// second of a double-click, its doubleClick event, run inside GuardCallback.
void DeliverButton(WindowHandle window, const ButtonEvent& event);

// The window manager asks the form window `window` to close: its closeRequest event. The
// program's shutdown fades the pet out, handling events meanwhile; a second request to end
// (of either kind) in that time ends the program at once.
void DeliverCloseRequest(WindowHandle window);

// A signal asks the program to end (close_signals.h): the sessionEnd event of every shown
// form window, as the session's end reaches every window on Windows. With no form window to
// take it, the signal ends the program as it would any other.
void DeliverEndSignal(int signal);

} // namespace platform::x11
