// Little-endian byte buffer writer used by the file encoders.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "gdi/little_endian.h"

namespace jellop::art {

struct ByteWriter {
    std::vector<std::uint8_t> bytes;

    void u8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) { platform::le::Append16(bytes, v); }
    void u32(std::uint32_t v) { platform::le::Append32(bytes, v); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void text(std::string_view s) {
        for (char c : s)
            u8(static_cast<std::uint8_t>(c));
    }
};

} // namespace jellop::art
