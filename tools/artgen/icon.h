// The program's icon: a Windows .ico file holding the creature twice (8-bit and 24-bit,
// 32x32), and PNG files of it for Linux desktops.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace jellop::art {

// `img` must be at most 256x256; see-through pixels become transparent via
// the AND mask.
std::vector<std::uint8_t> encodeIcon(const Image& img, const Palette& palette);

// The same picture as an RGBA PNG for desktops that take their icons from files (the
// freedesktop icon theme), enlarged `scale` times by whole pixels so that it stays sharp;
// see-through pixels are fully transparent.
std::vector<std::uint8_t> iconPng(const Image& img, const Palette& palette, int scale);

} // namespace jellop::art
