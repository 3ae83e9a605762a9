// Test controls of the fake backend's window styles and layered attributes: the calls made,
// in order, the state of each window, and the platform id the system reports.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/handles.h"

namespace platform::fake {

struct LayeredCall {
    enum class Kind { SetWindowLong, SetLayeredWindowAttributes };
    Kind kind = Kind::SetWindowLong;
    WindowHandle window{};
    std::int32_t index = 0;     // SetWindowLong
    std::int32_t value = 0;     // SetWindowLong: the new value
    std::uint32_t colorKey = 0; // SetLayeredWindowAttributes
    std::uint8_t alpha = 0;
    std::uint32_t flags = 0;
    bool succeeded = false;
    std::uint32_t time = 0;
    std::uint64_t sequence = 0;
};

const std::vector<LayeredCall>& LayeredCalls();
void ClearLayeredCalls();

struct LayeredState {
    std::int32_t exStyle = 0;
    // The attributes of a layered window; forgotten when the layered style is removed.
    bool attributesSet = false;
    std::uint32_t colorKey = 0;
    std::uint8_t alpha = 0;
    std::uint32_t flags = 0;
};
std::optional<LayeredState> LayeredStateOf(WindowHandle window);

// How opaque the window looks: its constant alpha while it is layered with the alpha flag,
// else 255.
std::uint8_t EffectiveAlpha(WindowHandle window);

// The platform id GetVersionEx reports (2, the NT family, by default).
void SetPlatformId(std::int32_t id);

void ResetLayered();

} // namespace platform::fake
