// Windows .ico file holding the creature twice: 8-bit and 24-bit, 32x32.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace jellop::art {

// `img` must be at most 256x256; see-through pixels become transparent via
// the AND mask.
std::vector<std::uint8_t> encodeIcon(const Image& img, const Palette& palette);

} // namespace jellop::art
