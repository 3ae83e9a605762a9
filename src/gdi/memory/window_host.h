// What the in-memory GDI needs of the window system it runs under, to draw through a window's
// DC on the in-memory screen: whether a window exists, where it is, and the screen's size. The
// backend that links the in-memory GDI defines these (platform/posix/gdi_host.cpp); the GDI
// library itself includes nothing of the platform above it.
#pragma once

#include "gdi/gdi.h"
#include "gdi/handles.h"

namespace platform::memory::host {

bool IsWindow(WindowHandle window);
PixelRect GetWindowRect(WindowHandle window);
ScreenSize GetScreenSize();

} // namespace platform::memory::host
