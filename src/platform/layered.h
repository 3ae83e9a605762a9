// Opacity of a window (layered on or off, a constant alpha with an optional colour key) and
// the system's platform id: what the fades are made of.
#pragma once

#include <cstdint>
#include <optional>

#include "gdi/handles.h"

namespace platform {

// Makes the window layered (on) or not, leaving every other property of it as it is. A window
// that stops being layered forgets its opacity and shows fully opaque.
bool SetLayered(WindowHandle window, bool on);

// The opacity of a layered window: `alpha` (0 transparent, 255 opaque) over the whole window,
// and, with a colour key (0x00BBGGRR), the pixels of that colour fully transparent. Fails
// (false) for a window that is not layered.
bool SetOpacity(WindowHandle window, std::uint8_t alpha, std::optional<std::uint32_t> colourKey);

// The platform id of the system: 2 for the NT family of Windows (and for every system that is
// not Windows), 1 for Windows 9x, 0 for Win32s; 0 when the system cannot tell.
std::int32_t SystemPlatformId();

} // namespace platform
