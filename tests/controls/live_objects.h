// Test and debug controls of the in-memory GDI objects: the number of live objects, for leak
// tests, and the calls seen that the real platform would refuse.
#pragma once

#include <string>
#include <vector>

namespace platform::memory {

// DCs (memory DCs and window DCs not yet released), bitmaps and regions that exist now,
// including regions that windows own. System objects are not counted.
struct LiveObjects {
    int dcs = 0;
    int bitmaps = 0;
    int regions = 0;
    bool operator==(const LiveObjects&) const = default;
};

LiveObjects CountLiveObjects();

// Every release of a handle that was not live, deletion of a bitmap still selected into a
// DC, deletion of a region that a window owns, region given to a second window, and so on,
// in the order they happened. Empty for correct code.
const std::vector<std::string>& Misuses();
void ClearMisuses();

} // namespace platform::memory
