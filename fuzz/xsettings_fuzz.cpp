// Fuzzes the XSettings block parser (platform/x11/xlib/xsettings_block.h): the block comes from
// whichever client owns the settings selection. The input is the block; every setting name
// the block could hold is looked up, and a value found must be found again the same (the
// parser keeps no state) and only in a block holding its name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "platform/x11/xlib/xsettings_block.h"

namespace {

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    for (std::string_view name : {"Net/DoubleClickTime", "Net/ThemeName", "Net", ""}) {
        std::optional<std::int32_t> value = platform::x11::XSettingsInteger(block, name);
        Require(value == platform::x11::XSettingsInteger(block, name));
        if (value && !name.empty()) {
            const std::string_view text(reinterpret_cast<const char*>(data), size);
            Require(text.find(name) != std::string_view::npos);
        }
    }
    return 0;
}
