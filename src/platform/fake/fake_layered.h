// Test controls of the fake backend's opacity: the calls made, in order, the state of each
// window, and the platform id the system reports.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "gdi/handles.h"

namespace platform::fake {

struct LayeredCall {
    enum class Kind { SetLayered, SetOpacity };
    Kind kind = Kind::SetLayered;
    WindowHandle window{};
    bool on = false;                        // SetLayered
    std::uint8_t alpha = 0;                 // SetOpacity
    std::optional<std::uint32_t> colourKey; // SetOpacity
    bool succeeded = false;
    std::uint32_t time = 0;
    std::uint64_t sequence = 0;
};

const std::vector<LayeredCall>& LayeredCalls();
void ClearLayeredCalls();

struct LayeredState {
    bool layered = false;
    // The opacity of a layered window; forgotten when the window stops being layered.
    bool opacitySet = false;
    std::uint8_t alpha = 0;
    std::optional<std::uint32_t> colourKey;
};
// None when `window` is not a window.
std::optional<LayeredState> LayeredStateOf(WindowHandle window);

// How opaque the window looks: its alpha while it is layered with an opacity set, else 255.
std::uint8_t EffectiveAlpha(WindowHandle window);

// The platform id the system reports (2, the NT family, by default).
void SetPlatformId(std::int32_t id);

void ResetLayered();

} // namespace platform::fake
