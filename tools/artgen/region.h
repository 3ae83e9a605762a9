// Window-shape region of a frame: every pixel that is not the see-through
// colour, as the banded rectangle list of a region-data block. The banding
// and the block layout are the program's own (gdi/region_bands.h,
// gdi/region_data.h), so the files written here are the blocks the
// program makes for the same pixels.
#pragma once

#include <vector>

#include "gdi/region_data.h"
#include "image.h"

namespace jellop::art {

using Rect = platform::RegionRect; // right and bottom exclusive

// Each row is split into maximal runs of visible pixels; consecutive rows
// with identical runs form one band and each run of a band becomes one
// rectangle.  Bands are listed top to bottom, runs left to right.
std::vector<Rect> regionRects(const Image& img);

} // namespace jellop::art
