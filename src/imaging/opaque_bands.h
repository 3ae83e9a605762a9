// The region of a 24-bit picture less one transparent colour, built directly as the banded
// rectangle list of a region-data block, ready for one ExtCreateRegion call.
//
// The region is the set of pixels whose colour differs from the transparent one. Taking every
// vertical run of transparent pixels out of the picture's rectangle, strip by strip, leaves
// exactly that set; this builder reaches it row by row instead, in one pass over the pixels,
// and bands the rows with platform::BandedRegion (gdi/region_bands.h).
#pragma once

#include <cstdint>
#include <vector>

#include "gdi/region_data.h"

namespace imaging {

// A 24-bit bottom-up picture in place: pixel x of memory row r has its blue, green and red
// bytes at bits + r * bytesPerScanLine + 3x. Picture line y (0 at the top) is memory row
// height - 1 - y. Bytes after 3 * width in each row are padding and never read.
struct PictureBits {
    const std::uint8_t* bits;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytesPerScanLine;
};

// The banded rectangles of the picture's pixels that are not `transColor` (0x00BBGGRR; bits 24
// to 31 are ignored). Needs width, height > 0 and bytesPerScanLine >= 3 * width.
std::vector<platform::RegionRect> OpaqueBands(const PictureBits& picture, std::uint32_t transColor);

} // namespace imaging
