// Regions: sets of pixel rectangles (right and bottom exclusive) that shape windows. Blocks
// of region data use the Win32 RGNDATA layout (platform/region_data.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/handles.h"
#include "platform/region_data.h"

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

// Gives `window` the shape `region` (none: the window loses its shape). The window owns the
// region from then on and releases it when its shape is replaced or cleared or the window is
// destroyed; if the call fails, the region is released here. Either way the caller never
// releases it.
bool SetWindowRgn(WindowHandle window, Region region, bool redraw);

} // namespace platform
