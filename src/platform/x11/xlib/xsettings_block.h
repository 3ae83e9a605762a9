// The settings block of the XSettings protocol, read as plain bytes: no X connection, so the
// parser can be tried on any input (fuzz/xsettings_fuzz.cpp). The block may come from any
// client that owns the settings selection, so nothing in it is trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform::x11 {

// The integer setting `name` of a settings block, if the block is well formed and holds it.
std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> block,
                                             std::string_view name);

} // namespace platform::x11
