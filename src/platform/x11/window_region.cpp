// A form window's shape on X11: the window owns the region it is given and releases the one it
// had; the X window is cut to the region's banded rectangles (its bounding shape, which also
// bounds where it takes the pointer).
#include "platform/x11/session.h" // first: see there

#include "gdi/memory/objects.h"
#include "platform/window_region.h"

namespace platform {

bool SetWindowRgn(WindowHandle window, Region region, bool /*redraw*/) {
    x11::FormWindow* form = x11::Session::Get().Find(window);
    if (form == nullptr) {
        return false; // `region` is released on the way out
    }
    memory::detail::RegionObject* given = memory::detail::FindRegion(region.get());
    if (!IsNull(region.get()) && (given == nullptr || !IsNull(given->owner))) {
        (void)region.release(); // not a live region, or another window's: refused
        return false;
    }
    std::optional<std::vector<RegionRect>> rects;
    if (given != nullptr) {
        const std::span<const RegionRect> banded = given->region.Rects();
        rects.emplace(banded.begin(), banded.end());
        given->owner = window;
    }
    if (!IsNull(form->region)) {
        memory::detail::DestroyRegion(form->region);
    }
    form->region = region.release();
    form->heldShape = std::move(rects);
    if (form->batchDepth == 0) {
        form->ApplyHeld();
    }
    return true;
}

} // namespace platform
