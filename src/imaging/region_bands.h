// The region of a 24-bit picture less one transparent colour, built directly as the banded
// rectangle list of a region-data block (RGNDATA layout), ready for one ExtCreateRegion call.
//
// The region is the set of pixels whose colour differs from the transparent one. Taking every
// vertical run of transparent pixels out of the picture's rectangle, strip by strip, leaves
// exactly that set; this builder reaches it row by row instead, in one pass over the pixels.
//
// The block is in the canonical banded form that GetRegionData gives:
//  - rectangles sorted by top, then left; rectangles of one band share top and bottom;
//  - within a band the rectangles neither overlap nor touch (each is a maximal run of
//    opaque pixels);
//  - bands do not overlap, and two bands that meet never have the same spans: picture rows
//    with equal spans that follow each other form one band;
//  - rcBound is the bounding box of all rectangles, (0, 0, 0, 0) when there are none;
//    nRgnSize is 16 x nCount.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

struct RegionRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;

    friend bool operator==(const RegionRect&, const RegionRect&) = default;
};

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
std::vector<RegionRect> OpaqueBands(const PictureBits& picture, std::uint32_t transColor);

// The region-data block (32-byte header, then the rectangles) for banded rectangles.
std::vector<std::uint8_t> RegionDataBlock(const std::vector<RegionRect>& bands);

} // namespace imaging
