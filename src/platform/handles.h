// Platform handles as distinct opaque types: a DC cannot be passed where a region is expected,
// and 0 (`{}`) means "none" for each of them, as in Win32. The win32 backend converts them to
// and from the real handles; the fake backend numbers its own objects.
#pragma once

#include <cstdint>

namespace platform {

enum class DcHandle : std::uintptr_t {};
enum class BitmapHandle : std::uintptr_t {};
enum class RegionHandle : std::uintptr_t {};
enum class WindowHandle : std::uintptr_t {};
enum class ModuleHandle : std::uintptr_t {};
enum class MenuHandle : std::uintptr_t {};

template <typename Handle> constexpr bool IsNull(Handle handle) {
    return handle == Handle{};
}

} // namespace platform
