// The in-memory GDI's object table (gdi/memory/objects.h) under the names the fake backend's
// window, menu and clipboard files use, and the window system's side of regions that the
// fake's windows keep.
#pragma once

#include "gdi/handles.h"
#include "gdi/memory/objects.h"

namespace platform::fake::detail {

using memory::detail::DestroyRegion;
using memory::detail::FindBitmap;
using memory::detail::kDesktopWindow;
using memory::detail::NewHandleValue;
using memory::detail::RecordMisuse;

// The slot holding the region a window owns (null when `window` is not a window), and the
// record of a change of its shape.
RegionHandle* WindowRegionSlot(WindowHandle window);
void NoteWindowRegionChange(WindowHandle window, bool redraw);

} // namespace platform::fake::detail
