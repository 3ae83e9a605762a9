// Produces every art file of the game from the art description.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace jellop::art {

// Relative path -> file bytes.
using FileMap = std::map<std::string, std::vector<std::uint8_t>>;

// Where the description lives, relative to the source tree root.
inline constexpr const char* kDescriptionPath = "tools/artgen/jellop.art";

// The larger of the icon's PNG files is the 32x32 icon enlarged this many times.
inline constexpr int kLargeIconScale = 4;

// Renders all frames, their window regions, the icon and the contact sheet:
//   resources/frames/<id>.bmp, resources/regions/<id>.rgn,
//   resources/icon/jellop.ico, resources/icon/hicolor/{32x32,128x128}/apps/jellop.png,
//   docs/contact-sheet.png
// Throws if a frame's rectangle count differs from the one the description
// expects for it, or if a frame's visible pixels do not reach all four edges
// of its bitmap (the region header gives the whole frame as the bounds).
FileMap generateArt(const std::string& descriptionText);

// Reads a whole file; throws if it cannot.
std::string readTextFile(const std::string& path);

} // namespace jellop::art
