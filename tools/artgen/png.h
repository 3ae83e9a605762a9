// PNG encoding of 8-bit RGB or RGBA pixels, rows top to bottom.
#pragma once

#include <cstdint>
#include <vector>

namespace jellop::art {

// `pixels` holds width * height * channels bytes (3: RGB, 4: RGBA). Throws if encoding fails.
std::vector<std::uint8_t> encodePng(int width, int height, int channels,
                                    const std::vector<std::uint8_t>& pixels);

} // namespace jellop::art
