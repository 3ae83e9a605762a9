// Regions: sets of pixel rectangles (right and bottom exclusive) that shape windows. Blocks
// of region data use the Win32 RGNDATA layout (gdi/region_data.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gdi/handles.h"
#include "gdi/region_data.h"

namespace platform {

// CombineRgn modes.
enum class CombineMode : std::int32_t { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

// Region kinds that CombineRgn reports.
enum class RegionKind : std::int32_t { Error = 0, Null = 1, Simple = 2, Complex = 3 };

bool DeleteObject(RegionHandle region);
using Region = UniqueHandle<RegionHandle, &DeleteObject>;

// A region made from a region-data block, or none when the block is not valid. The block is
// checked with IsValidRegionData first on every backend, and nothing outside it is read.
Region ExtCreateRegion(std::span<const std::byte> block);

// Win32 GetRegionData: with no buffer, the size of the region's block; with a buffer of at
// least that size, fills it and returns the size; 0 when the buffer is too small or `region`
// is not a region.
std::uint32_t GetRegionData(RegionHandle region, std::uint32_t size, void* buffer);

// The whole block of `region` (empty when it is not a region).
std::vector<std::byte> RegionDataBytes(RegionHandle region);

// A rectangle region; inverted coordinates are swapped as Win32 does.
Region CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

// destination = first (mode) second; `second` is not used for Copy.
RegionKind CombineRgn(RegionHandle destination, RegionHandle first, RegionHandle second,
                      CombineMode mode);

// A new region with the same rectangles as `region` (none when it is not a region).
Region CopyRegion(RegionHandle region);

} // namespace platform
