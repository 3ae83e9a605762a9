// The desktop's settings as an XSettings manager publishes them: the owner of the selection
// _XSETTINGS_S<screen> keeps them, in the binary form of the XSettings protocol, in the
// property _XSETTINGS_SETTINGS of its window.
#pragma once

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/xsettings_block.h"

namespace platform::x11 {

// The double-click time in milliseconds: Net/DoubleClickTime of the running XSettings
// manager when it is 1 to 5000, else 400 (the manager is another client, not trusted).
int DoubleClickTime(Connection& connection);

} // namespace platform::x11
