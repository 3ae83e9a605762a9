// Uncompressed Windows bitmap encoding.
#pragma once

#include <cstdint>
#include <vector>

#include "bytes.h"
#include "image.h"

namespace jellop::art {

// Bytes in one stored row of `width` pixels at `bitsPerPixel`, padded to 4.
int bmpStride(int width, int bitsPerPixel);

// BITMAPINFOHEADER (40 bytes, BI_RGB). `height` is written as given, so an
// icon image can declare twice its height for the colour and mask halves.
void writeInfoHeader(ByteWriter& out, int width, int height, int bitsPerPixel,
                     std::uint32_t imageBytes, std::uint32_t coloursUsed);

void writePalette(ByteWriter& out, const Palette& palette); // 256 RGBQUADs

// 8-bit rows, bottom row first, each padded to 4 bytes.
void writeIndexedRows(ByteWriter& out, const Image& img);

// Whole .bmp file: file header, info header, 256-colour palette, rows.
std::vector<std::uint8_t> encodeBmp8(const Image& img, const Palette& palette);

} // namespace jellop::art
