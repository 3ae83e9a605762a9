// Shared pixel types: an 8-bit indexed picture and its palette.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace jellop::art {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

using Palette = std::array<Rgb, 256>;

// Palette index 0 is the see-through key colour: every pixel that is not
// part of the creature holds it.
constexpr std::uint8_t kClear = 0;

// Indexed picture, row 0 at the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height palette indices

    Image() = default;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kClear) {}

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint8_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Left-right mirror image.
Image mirrored(const Image& src);

} // namespace jellop::art
