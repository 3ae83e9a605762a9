// modLayered: the window effects of the pet window: translucency through the layered style
// and its constant alpha (used for the fades), and the topmost band.
#pragma once

#include <cstdint>

#include "gdi/handles.h"
#include "runtime/form.h"

namespace modLayered {

// Whether the system supports layered windows; false until DetectLayeredSupport runs, which
// start-up calls once. SetWindowAlpha and SetLayeredStyle do nothing while it is false.
extern bool LayeredSupported;

// Every system of the NT family (platform id above 1) counts as supporting layered windows;
// the version numbers are not looked at.
void DetectLayeredSupport();

// Sets the opacity of the layered window `hWnd`: colour key `lKey` (0x00BBGGRR, -1 for none)
// and constant alpha `alpha`.
void SetWindowAlpha(platform::WindowHandle hWnd, std::int32_t lKey, std::uint8_t alpha);

// Makes the window layered (bOn) or not, leaving everything else about it as it is.
void SetLayeredStyle(platform::WindowHandle hWnd, bool bOn);

// Moves the window into (bOn) or out of the topmost band and shows it: its rectangle is read
// in twips and re-applied in pixels at the fixed factor of 15 twips per pixel.
void SetTopmost(const runtime::Form& window, bool bOn);

} // namespace modLayered
