// Window-shape region of a frame: every pixel that is not the see-through
// colour, as the banded rectangle list that Win32 region data (RGNDATA) uses.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace jellop::art {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    bool operator==(const Rect&) const = default;
};

// Each row is split into maximal runs of visible pixels; consecutive rows
// with identical runs form one band and each run of a band becomes one
// rectangle.  Bands are listed top to bottom, runs left to right.
std::vector<Rect> regionRects(const Image& img);

// Smallest rectangle holding all the rectangles; all zero when there are none.
Rect boundingBox(const std::vector<Rect>& rects);

// RGNDATA bytes, little-endian: 32-byte header (dwSize 32, iType 1 =
// RDH_RECTANGLES, nCount, nRgnSize, rcBound = whole frame) then the rectangles.
std::vector<std::uint8_t> encodeRegion(const std::vector<Rect>& rects, int width, int height);

} // namespace jellop::art
