// The pictures the benchmarks work on: full-HD frames with the content each operation meets.
#pragma once

#include <cstdint>

#include "imaging/cDIBSection.h"

namespace bench {

inline constexpr std::int32_t kFullHdWidth = 1920;
inline constexpr std::int32_t kFullHdHeight = 1080;
inline constexpr std::uint32_t kTransparent = 0x00FF00FF; // magenta, 0x00BBGGRR

// A sprite sheet: rows of jelly-like blobs with eyes, a mouth and speckles of the transparent
// colour, on a transparent background. Many short transparent runs in every column.
void DrawSpriteSheet(imaging::cDIBSection& dib);

// A photograph-like picture: smooth gradients with noise, every byte different.
void DrawPhoto(imaging::cDIBSection& dib);

} // namespace bench
