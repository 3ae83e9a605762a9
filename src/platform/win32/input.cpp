#include "platform/input.h"

#include <windows.h>

namespace platform {

bool GetCursorPos(PointerPosition& position) {
    POINT point;
    if (!::GetCursorPos(&point)) {
        return false;
    }
    position = {point.x, point.y};
    return true;
}

bool ReleaseCapture() {
    return ::ReleaseCapture() != FALSE;
}

} // namespace platform
