// Region-data blocks: the Win32 RGNDATA layout in which regions are stored in files and
// resources and handed to the platform. A 32-byte header (dwSize 32, iType RDH_RECTANGLES,
// nCount, nRgnSize = 16 x nCount, rcBound) is followed by nCount rectangles of four signed
// 32-bit values (left, top, right, bottom; right and bottom exclusive), all little-endian.
//
// Blocks are written and read only here: by the imaging classes, by every backend that keeps
// its own regions, and by the art tool that makes the frames' region files. This file and
// region_bands.h need nothing from a window system or from the rest of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kRgnDataHeaderSize = 32;
inline constexpr std::uint32_t kRdhRectangles = 1;

struct RegionRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const RegionRect&, const RegionRect&) = default;
};

// The smallest rectangle holding all of `rects`; (0, 0, 0, 0) when there are none.
RegionRect BoundingBox(std::span<const RegionRect> rects);

// The block of `rects` in the order given, with their bounding box as rcBound.
std::vector<std::uint8_t> RegionDataBlock(std::span<const RegionRect> rects);

// True when `block` is a region-data block the platform accepts: dwSize is 32, iType is
// RDH_RECTANGLES and the bytes hold all nCount rectangles (worked out without overflow).
// Bytes after the last rectangle are allowed and ignored; nRgnSize and rcBound are not used.
bool IsValidRegionData(std::span<const std::byte> block);

// The nCount rectangles of a block that IsValidRegionData accepts, as they are stored.
std::vector<RegionRect> RegionDataRects(std::span<const std::byte> block);

} // namespace platform
