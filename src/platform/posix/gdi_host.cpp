// The window system under the in-memory GDI is the backend's own window service.
#include "gdi/memory/window_host.h"

#include "platform/window.h"

namespace platform::memory::host {

bool IsWindow(WindowHandle window) {
    return platform::IsWindow(window);
}

PixelRect GetWindowRect(WindowHandle window) {
    return platform::GetWindowRect(window);
}

ScreenSize GetScreenSize() {
    return platform::GetScreenSize();
}

} // namespace platform::memory::host
