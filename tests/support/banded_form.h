// The banded form of a region's rectangles, checked from outside the code that makes it: the
// one check of the region tests, the frame-set test and the region fuzzer. Plain C++ (no test
// framework), so the fuzzer links it too.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "gdi/region_data.h"

namespace jellop_test {

// Empty when `rects` are in banded form; else what is wrong, at which rectangle. Banded form:
// every rectangle non-empty (half-open: left < right, top < bottom); rectangles sorted by top,
// then left; rectangles of one band share top and bottom, and neither overlap nor touch; bands
// do not overlap; two bands that meet do not have the same spans (they would be one band).
std::string BandedFormFault(std::span<const platform::RegionRect> rects);

// Empty when `block` is a region-data block as GetRegionData gives one; else what is wrong:
// dwSize 32, iType RDH_RECTANGLES, nRgnSize 16 x nCount, exactly nCount rectangles and no
// more bytes, rcBound their bounding box, the rectangles in banded form.
std::string RegionBlockFault(std::span<const std::byte> block);

} // namespace jellop_test
