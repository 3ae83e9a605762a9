#include <windows.h>
// The platform layer's GetWindowLong and SetWindowLong are functions of their own, not the
// Win32 macros.
#undef GetWindowLong
#undef SetWindowLong

#include "platform/layered.h"

#include "platform/win32/handle_cast.h"

namespace platform {

using win32::ToHwnd;
std::int32_t GetWindowLong(WindowHandle window, std::int32_t index) {
    return GetWindowLongA(ToHwnd(window), index);
}

std::int32_t SetWindowLong(WindowHandle window, std::int32_t index, std::int32_t value) {
    return SetWindowLongA(ToHwnd(window), index, value);
}

bool SetLayeredWindowAttributes(WindowHandle window, std::uint32_t colorKey, std::uint8_t alpha,
                                std::uint32_t flags) {
    return ::SetLayeredWindowAttributes(ToHwnd(window), colorKey, alpha, flags) != FALSE;
}

std::int32_t GetVersionExPlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
    GetVersionExA(&info);
    return static_cast<std::int32_t>(info.dwPlatformId);
}

} // namespace platform
