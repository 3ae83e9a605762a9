// How the X events of a form window reach the events the program installed for it.
#pragma once

#include "platform/handles.h"
#include "platform/x11/pointer.h"

namespace platform::x11 {

// A press or release on the form window `window`: a press becomes its buttonDown or, the
// second of a double-click, its doubleClick event, run inside GuardCallback.
void DeliverButton(WindowHandle window, const ButtonEvent& event);

} // namespace platform::x11
