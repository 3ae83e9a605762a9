#include "bmp.h"

namespace jellop::art {

int bmpStride(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

void writeInfoHeader(ByteWriter& out, int width, int height, int bitsPerPixel,
                     std::uint32_t imageBytes, std::uint32_t coloursUsed) {
    out.u32(40);
    out.i32(width);
    out.i32(height);
    out.u16(1); // planes
    out.u16(static_cast<std::uint32_t>(bitsPerPixel));
    out.u32(0); // BI_RGB
    out.u32(imageBytes);
    out.i32(2835); // 72 dpi
    out.i32(2835);
    out.u32(coloursUsed);
    out.u32(0); // all colours important
}

void writePalette(ByteWriter& out, const Palette& palette) {
    for (const Rgb& c : palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
}

void writeIndexedRows(ByteWriter& out, const Image& img) {
    const int pad = bmpStride(img.width, 8) - img.width;
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x)
            out.u8(img.at(x, y));
        for (int i = 0; i < pad; ++i)
            out.u8(0);
    }
}

std::vector<std::uint8_t> encodeBmp8(const Image& img, const Palette& palette) {
    const std::uint32_t pixelBytes =
        static_cast<std::uint32_t>(bmpStride(img.width, 8) * img.height);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    ByteWriter out;
    out.text("BM");
    out.u32(offset + pixelBytes);
    out.u32(0); // reserved
    out.u32(offset);
    writeInfoHeader(out, img.width, img.height, 8, pixelBytes, 256);
    writePalette(out, palette);
    writeIndexedRows(out, img);
    return out.bytes;
}

} // namespace jellop::art
