#include "icon.h"

#include <stdexcept>

#include "bmp.h"
#include "png.h"

namespace jellop::art {

namespace {

// AND mask: 1 bit per pixel, set where the desktop shows through.
void writeAndMask(ByteWriter& out, const Image& img) {
    const int stride = bmpStride(img.width, 1);
    for (int y = img.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < img.width; ++x)
            if (img.at(x, y) == kClear)
                row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        for (std::uint8_t b : row)
            out.u8(b);
    }
}

std::vector<std::uint8_t> indexedEntry(const Image& img, Palette palette) {
    // Transparent pixels must be black in the colour part, so the key colour
    // at index 0 is replaced by black here.
    palette[kClear] = {0, 0, 0};
    const auto colourBytes = static_cast<std::uint32_t>(bmpStride(img.width, 8) * img.height);
    const auto maskBytes = static_cast<std::uint32_t>(bmpStride(img.width, 1) * img.height);
    ByteWriter out;
    writeInfoHeader(out, img.width, img.height * 2, 8, colourBytes + maskBytes, 256);
    writePalette(out, palette);
    writeIndexedRows(out, img);
    writeAndMask(out, img);
    return out.bytes;
}

std::vector<std::uint8_t> trueColourEntry(const Image& img, const Palette& palette) {
    const int stride = bmpStride(img.width, 24);
    const auto colourBytes = static_cast<std::uint32_t>(stride * img.height);
    const auto maskBytes = static_cast<std::uint32_t>(bmpStride(img.width, 1) * img.height);
    ByteWriter out;
    writeInfoHeader(out, img.width, img.height * 2, 24, colourBytes + maskBytes, 0);
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t i = img.at(x, y);
            const Rgb c = i == kClear ? Rgb{} : palette[i];
            out.u8(c.b);
            out.u8(c.g);
            out.u8(c.r);
        }
        for (int i = img.width * 3; i < stride; ++i)
            out.u8(0);
    }
    writeAndMask(out, img);
    return out.bytes;
}

} // namespace

std::vector<std::uint8_t> encodeIcon(const Image& img, const Palette& palette) {
    if (img.width > 256 || img.height > 256)
        throw std::runtime_error("icon image too large");
    const std::vector<std::uint8_t> entries[] = {indexedEntry(img, palette),
                                                 trueColourEntry(img, palette)};
    const int bits[] = {8, 24};

    ByteWriter out;
    out.u16(0); // reserved
    out.u16(1); // type: icon
    out.u16(2); // image count
    std::uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        out.u8(static_cast<std::uint32_t>(img.width % 256)); // 0 means 256
        out.u8(static_cast<std::uint32_t>(img.height % 256));
        out.u8(0);  // colour count: 0 for 256 or more
        out.u8(0);  // reserved
        out.u16(1); // planes
        out.u16(static_cast<std::uint32_t>(bits[i]));
        out.u32(static_cast<std::uint32_t>(entries[i].size()));
        out.u32(offset);
        offset += static_cast<std::uint32_t>(entries[i].size());
    }
    for (const auto& e : entries)
        out.bytes.insert(out.bytes.end(), e.begin(), e.end());
    return out.bytes;
}

std::vector<std::uint8_t> iconPng(const Image& img, const Palette& palette, int scale) {
    const int width = img.width * scale, height = img.height * scale;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = img.at(x / scale, y / scale);
            if (index == kClear)
                continue;
            std::uint8_t* pixel = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            pixel[0] = palette[index].r;
            pixel[1] = palette[index].g;
            pixel[2] = palette[index].b;
            pixel[3] = 255;
        }
    return encodePng(width, height, 4, rgba);
}

} // namespace jellop::art
