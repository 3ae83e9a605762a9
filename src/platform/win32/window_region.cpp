// A window's shape on Win32, held back while the window is in an update batch.
#include "platform/window_region.h"

#include "gdi/win32/handle_cast.h"
#include "platform/win32/window_batch.h"

namespace platform {

using win32::ToHrgn;
using win32::ToHwnd;

bool SetWindowRgn(WindowHandle window, Region region, bool redraw) {
    if (win32::HoldShape(ToHwnd(window), ToHrgn(region.get()), redraw ? TRUE : FALSE)) {
        (void)region.release(); // held for the window, which gets it when the batch ends
        return true;
    }
    if (::SetWindowRgn(ToHwnd(window), ToHrgn(region.get()), redraw ? TRUE : FALSE) == 0) {
        return false; // the region is still ours, and is released on the way out
    }
    (void)region.release(); // the window owns it now
    return true;
}

} // namespace platform
