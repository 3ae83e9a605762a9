// The pointer: where it is and who holds the mouse capture.
#pragma once

#include <cstdint>

namespace platform {

struct PointerPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PointerPosition&) const = default;
};

// The pointer's position in screen pixels. False (and the position left as it was) when the
// system cannot tell, for example on a locked desktop.
bool GetCursorPos(PointerPosition& position);

// Ends a mouse capture of this thread's windows, if any. False when the system refused.
bool ReleaseCapture();

} // namespace platform
