// The slow, obvious way to build the region of a picture less a transparent colour: start
// from the picture's rectangle and XOR out every vertical run of transparent pixels, one
// 1-pixel-wide strip at a time, scanning column by column from the top line down. Its cost
// grows with the number of runs times the region's complexity. It is the reference that
// cDIBSectionRegion::Create must match byte for byte, and the baseline of its benchmark; it is
// not part of the library.
#pragma once

#include <cstdint>

#include "gdi/region.h"

namespace jellop_test {

inline void TakeOutStrip(platform::RegionHandle region, std::int32_t x, std::int32_t top,
                         std::int32_t bottom) {
    platform::Region strip = platform::CreateRectRgn(x, top, x + 1, bottom);
    platform::CombineRgn(region, strip.get(), region, platform::CombineMode::Xor);
}

// `bits` is a 24-bit bottom-up picture: memory row height - 1 - y holds picture line y.
inline platform::Region StripByStripRegion(const std::uint8_t* bits, std::int32_t width,
                                           std::int32_t height, std::int32_t bytesPerScanLine,
                                           std::uint32_t transColor) {
    const auto red = static_cast<std::uint8_t>(transColor & 0xFF);
    const auto green = static_cast<std::uint8_t>(transColor >> 8 & 0xFF);
    const auto blue = static_cast<std::uint8_t>(transColor >> 16 & 0xFF);
    platform::Region region = platform::CreateRectRgn(0, 0, width, height);
    if (!region) {
        return region;
    }
    for (std::int32_t x = 0; x < width; ++x) {
        bool open = false;
        std::int32_t start = 0;
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* pixel =
                bits + static_cast<std::ptrdiff_t>(height - 1 - y) * bytesPerScanLine + 3 * x;
            const bool transparent = pixel[0] == blue && pixel[1] == green && pixel[2] == red;
            if (transparent && !open) {
                open = true;
                start = y;
            } else if (!transparent && open) {
                TakeOutStrip(region.get(), x, start, y);
                open = false;
            }
        }
        if (open) {
            TakeOutStrip(region.get(), x, start, height);
        }
    }
    return region;
}

} // namespace jellop_test
