// Backend-neutral parts of the GDI layer: the owners that need two values to release.
#include "gdi/gdi.h"

namespace platform {

void WindowDc::reset() {
    DcHandle dc = std::exchange(dc_, DcHandle{});
    if (!IsNull(dc)) {
        ReleaseDC(window_, dc);
    }
}

SelectedBitmap::SelectedBitmap(DcHandle dc, BitmapHandle bitmap)
    : dc_(dc), previous_(SelectObject(dc, bitmap)) {
    if (IsNull(previous_)) {
        dc_ = {};
    }
}

void SelectedBitmap::reset() {
    BitmapHandle previous = std::exchange(previous_, BitmapHandle{});
    if (!IsNull(previous)) {
        SelectObject(dc_, previous);
    }
    dc_ = {};
}

} // namespace platform
