// Platform handles as distinct opaque types: a DC cannot be passed where a region is expected,
// and 0 (`{}`) means "none" for each of them, as in Win32. The win32 backend converts them to
// and from the real handles; the fake backend numbers its own objects. UniqueHandle is the
// owner every layer uses for a handle with one release function.
#pragma once

#include <cstdint>
#include <utility>

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

// Move-only owner of one handle, released by `Release`; no conversion to the raw handle
// except through get().
template <typename Handle, bool (*Release)(Handle)> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return !IsNull(handle_); }
    [[nodiscard]] Handle release() { return std::exchange(handle_, Handle{}); }
    void reset(Handle handle = Handle{}) {
        Handle old = std::exchange(handle_, handle);
        if (!IsNull(old)) {
            Release(old);
        }
    }

  private:
    Handle handle_{};
};

} // namespace platform
