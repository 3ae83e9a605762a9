// The live counts and the misuse log, read from the in-memory GDI's object table.
#include "controls/live_objects.h"

#include "gdi/memory/objects.h"

namespace platform::memory {

LiveObjects CountLiveObjects() {
    const detail::Objects& objects = detail::TheObjects();
    // The stock bitmap and the screen's surface are system objects, made on first use.
    int systemBitmaps =
        (IsNull(objects.stockBitmap) ? 0 : 1) + (IsNull(objects.screenSurface) ? 0 : 1);
    return LiveObjects{static_cast<int>(objects.dcs.size()),
                       static_cast<int>(objects.bitmaps.size()) - systemBitmaps,
                       static_cast<int>(objects.regions.size())};
}

const std::vector<std::string>& Misuses() {
    return detail::MisuseLog();
}

void ClearMisuses() {
    detail::MisuseLog().clear();
}

} // namespace platform::memory
