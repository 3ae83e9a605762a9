#include <windows.h>
// The platform layer's MessageBox is a function of its own, not the Win32 macro.
#undef MessageBox

#include "platform/app.h"

namespace platform {

std::string ExecutablePath() {
    char path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

void MessageBox(const std::string& text, const std::string& title) {
    MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK);
}

std::uint32_t TickCount() {
    return GetTickCount();
}

void Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace platform
