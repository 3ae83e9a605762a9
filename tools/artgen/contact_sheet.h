// Overview picture of all frames, for looking at the art in one go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

namespace jellop::art {

struct SheetEntry {
    std::string label; // digits and the letters of "ICON"
    const Image* image = nullptr;
    int row = 0;
};

// PNG of the entries enlarged `scale` times, nearest neighbour, on a light neutral
// background; see-through pixels show as a faint checkerboard.
std::vector<std::uint8_t> contactSheetPng(const std::vector<SheetEntry>& entries,
                                          const Palette& palette, int scale = 4);

} // namespace jellop::art
