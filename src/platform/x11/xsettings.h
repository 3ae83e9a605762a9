// The desktop's settings as an XSettings manager publishes them: the owner of the selection
// _XSETTINGS_S<screen> keeps them, in the binary form of the XSettings protocol, in the
// property _XSETTINGS_SETTINGS of its window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/x11/display.h"

namespace platform::x11 {

// The integer setting `name` of a settings block, if the block is well formed and holds it.
std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> block,
                                             std::string_view name);

// The double-click time in milliseconds: Net/DoubleClickTime of the running XSettings
// manager, else 400.
int DoubleClickTime(Connection& connection);

} // namespace platform::x11
