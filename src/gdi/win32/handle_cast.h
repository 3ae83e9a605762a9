// Conversions between the platform's typed handles and the Win32 handle types, for the win32
// files of the GDI, region, resource and window concerns.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gdi/handles.h"

namespace platform::win32 {

template <typename Native, typename Handle> Native ToNative(Handle handle) {
    return reinterpret_cast<Native>(static_cast<std::uintptr_t>(handle));
}

template <typename Handle, typename Native> Handle FromNative(Native native) {
    return Handle{reinterpret_cast<std::uintptr_t>(native)};
}

inline HDC ToHdc(DcHandle dc) {
    return ToNative<HDC>(dc);
}
inline HBITMAP ToHbitmap(BitmapHandle bitmap) {
    return ToNative<HBITMAP>(bitmap);
}
inline HRGN ToHrgn(RegionHandle region) {
    return ToNative<HRGN>(region);
}
inline HWND ToHwnd(WindowHandle window) {
    return ToNative<HWND>(window);
}
inline HMODULE ToHmodule(ModuleHandle module) {
    return ToNative<HMODULE>(module);
}

} // namespace platform::win32
