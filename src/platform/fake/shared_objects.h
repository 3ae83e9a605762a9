// The shared object table (platform/shared/objects.h) under the names the fake backend's
// window, menu and clipboard files use, and the window system's side of regions that the
// fake's windows keep.
#pragma once

#include "platform/handles.h"
#include "platform/shared/objects.h"

namespace platform::fake::detail {

using shared::detail::DestroyRegion;
using shared::detail::FindBitmap;
using shared::detail::kDesktopWindow;
using shared::detail::NewHandleValue;
using shared::detail::RecordMisuse;

// The slot holding the region a window owns (null when `window` is not a window), and the
// record of a change of its shape.
RegionHandle* WindowRegionSlot(WindowHandle window);
void NoteWindowRegionChange(WindowHandle window, bool redraw);

} // namespace platform::fake::detail
