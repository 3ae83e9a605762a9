// Opacity on Win32: the layered extended style and the layered window attributes.
#include "platform/layered.h"

#include <windows.h>

#include "gdi/win32/handle_cast.h"

namespace platform {

using win32::ToHwnd;

// Only the one style bit changes: the style is read, the bit OR-ed in or cleared, and the
// style written back.
bool SetLayered(WindowHandle window, bool on) {
    HWND hwnd = ToHwnd(window);
    LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (on) {
        style |= WS_EX_LAYERED;
    } else {
        style &= ~WS_EX_LAYERED;
    }
    SetLastError(ERROR_SUCCESS);
    return SetWindowLongA(hwnd, GWL_EXSTYLE, style) != 0 || GetLastError() == ERROR_SUCCESS;
}

// Without a key the colour passed is 0 and LWA_COLORKEY is not set; LWA_ALPHA only below 255,
// so a fully opaque window without a key is given no flags at all.
bool SetOpacity(WindowHandle window, std::uint8_t alpha, std::optional<std::uint32_t> colourKey) {
    DWORD flags = 0;
    COLORREF colour = 0;
    if (colourKey) {
        colour = *colourKey;
        flags |= LWA_COLORKEY;
    }
    if (alpha < 255) {
        flags |= LWA_ALPHA;
    }
    return ::SetLayeredWindowAttributes(ToHwnd(window), colour, alpha, flags) != FALSE;
}

// GetVersionExA on a cleared OSVERSIONINFO of size 148; its result is not looked at, so a failed
// call leaves the zero of the cleared record.
std::int32_t SystemPlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
    GetVersionExA(&info);
    return static_cast<std::int32_t>(info.dwPlatformId);
}

} // namespace platform
