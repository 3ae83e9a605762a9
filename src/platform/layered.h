// Window styles and layered-window attributes, and the system's platform id: what the window
// effects (translucency, fades, the topmost band) are made of.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace platform {

inline constexpr std::int32_t kGwlExStyle = -20;
inline constexpr std::int32_t kWsExTopmost = 0x00000008;
inline constexpr std::int32_t kWsExToolWindow = 0x00000080;
inline constexpr std::int32_t kWsExLayered = 0x00080000;

// SetLayeredWindowAttributes flags.
inline constexpr std::uint32_t kLwaColorKey = 0x1;
inline constexpr std::uint32_t kLwaAlpha = 0x2;

// The window's 32-bit value at `index` (only GWL_EXSTYLE is used); 0 when `window` is not a
// window.
std::int32_t GetWindowLong(WindowHandle window, std::int32_t index);
// Writes it and returns the previous value (0 on failure).
std::int32_t SetWindowLong(WindowHandle window, std::int32_t index, std::int32_t value);

// The colour key (0x00BBGGRR) and constant alpha of a layered window. Fails (false) for a
// window without the layered style.
bool SetLayeredWindowAttributes(WindowHandle window, std::uint32_t colorKey, std::uint8_t alpha,
                                std::uint32_t flags);

// The platform id GetVersionEx reports in an OSVERSIONINFO of size 148: 2 for the NT family
// (VER_PLATFORM_WIN32_NT), 1 for Windows 9x, 0 for Win32s. The call's own result is not
// reported, as the pet never looks at it; a failed call leaves the zero of the cleared record.
std::int32_t GetVersionExPlatformId();

} // namespace platform
