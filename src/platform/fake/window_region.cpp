// A fake window's shape: the window owns the region it is given, releases the one it had, and
// records the change.
#include "platform/window_region.h"

#include "platform/fake/memory_objects.h"

namespace platform {
namespace {

using memory::detail::FindRegion;
using memory::detail::RecordMisuse;
using memory::detail::RegionObject;

} // namespace

bool SetWindowRgn(WindowHandle window, Region region, bool redraw) {
    RegionHandle* slot = fake::detail::WindowRegionSlot(window);
    if (slot == nullptr) {
        return false; // `region` is released on the way out
    }
    RegionObject* given = FindRegion(region.get());
    if (!IsNull(region.get()) && given == nullptr) {
        RecordMisuse("SetWindowRgn with a region handle that is not live");
        (void)region.release();
        return false;
    }
    if (given != nullptr && !IsNull(given->owner)) {
        RecordMisuse("SetWindowRgn with a region that another window owns");
        (void)region.release();
        return false;
    }
    // The window releases the shape it had and owns the new one.
    if (!IsNull(*slot)) {
        memory::detail::DestroyRegion(*slot);
    }
    if (given != nullptr) {
        given->owner = window;
    }
    *slot = region.release();
    fake::detail::NoteWindowRegionChange(window, redraw);
    return true;
}

} // namespace platform
