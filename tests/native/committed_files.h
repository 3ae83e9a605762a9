// The committed resource files as the native tests read them: whole files from the source tree,
// and little-endian fields out of their bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gdi/little_endian.h"

namespace committed {

using Bytes = std::vector<std::uint8_t>;

// The bytes of a file given relative to the top of the source tree; a missing file fails the
// test and reads as empty.
inline Bytes readFile(const std::string& relative) {
    std::ifstream in(std::string(JELLOP_SOURCE_DIR) + "/" + relative, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing " << relative;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A field past the end of the file throws (std::bad_optional_access), failing the test.
inline std::uint32_t u16(const Bytes& b, std::size_t at) {
    return platform::le::Read16(b, at).value();
}
inline std::uint32_t u32(const Bytes& b, std::size_t at) {
    return platform::le::Read32(b, at).value();
}

} // namespace committed
