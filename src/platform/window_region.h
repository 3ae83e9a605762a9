// A window's shape: the region that cuts a top-level window to the outline of its picture.
#pragma once

#include "gdi/handles.h"
#include "gdi/region.h"

namespace platform {

// Gives `window` the shape `region` (none: the window loses its shape). The window owns the
// region from then on and releases it when its shape is replaced or cleared or the window is
// destroyed; if the call fails, the region is released here. Either way the caller never
// releases it.
bool SetWindowRgn(WindowHandle window, Region region, bool redraw);

} // namespace platform
