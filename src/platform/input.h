// The pointer: where it is, and the window system's own drag of a window by it.
#pragma once

#include <cstdint>

#include "gdi/handles.h"

namespace platform {

struct PointerPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PointerPosition&) const = default;
};

// The pointer's position in screen pixels. False (and the position left as it was) when the
// system cannot tell, for example on a locked desktop.
bool GetCursorPos(PointerPosition& position);

// Lets the user drag `window` with the pointer, as if its caption bar had been grabbed with
// the left button, until the button is released; returns when the drag has ended, and from then
// on GetWindowRect reports where the user left the window. Timer ticks are still delivered
// meanwhile. With the button already up the drag ends at once. Rethrows an exception that a
// callback raised while the drag ran.
void BeginSystemDrag(WindowHandle window);

} // namespace platform
