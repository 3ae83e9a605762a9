// Helpers of the imaging suites: region-data blocks as bytes and back, a window's shape as the
// platform reports it, and an independent reader of the 8-bit frame bitmaps to check pixels
// against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "gdi/region.h"

namespace platform {
// Lets failed comparisons print the program's region rectangles readably.
inline void PrintTo(const RegionRect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
         << ")";
}
} // namespace platform

namespace imaging_test {

inline std::vector<std::byte> BlockBytes(std::initializer_list<std::int32_t> values) {
    std::vector<std::byte> bytes;
    for (std::int32_t value : values) {
        auto bits = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::byte>(bits >> (8 * i)));
        }
    }
    return bytes;
}

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& rect) {
    return out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
               << ")";
}

struct RegionData {
    std::uint32_t dwSize = 0, iType = 0, nCount = 0, nRgnSize = 0;
    Rect bound;
    std::vector<Rect> rects;
};

inline std::int32_t ReadInt32(std::span<const std::byte> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

// Reads a well-formed block (the caller has checked its size).
inline RegionData ParseRegionData(std::span<const std::byte> bytes) {
    RegionData data;
    if (bytes.size() < 32) {
        return data;
    }
    data.dwSize = static_cast<std::uint32_t>(ReadInt32(bytes, 0));
    data.iType = static_cast<std::uint32_t>(ReadInt32(bytes, 4));
    data.nCount = static_cast<std::uint32_t>(ReadInt32(bytes, 8));
    data.nRgnSize = static_cast<std::uint32_t>(ReadInt32(bytes, 12));
    data.bound = {ReadInt32(bytes, 16), ReadInt32(bytes, 20), ReadInt32(bytes, 24),
                  ReadInt32(bytes, 28)};
    for (std::size_t at = 32; at + 16 <= bytes.size() && data.rects.size() < data.nCount;
         at += 16) {
        data.rects.push_back({ReadInt32(bytes, at), ReadInt32(bytes, at + 4),
                              ReadInt32(bytes, at + 8), ReadInt32(bytes, at + 12)});
    }
    return data;
}

inline bool Covers(const std::vector<Rect>& rects, std::int32_t x, std::int32_t y) {
    for (const Rect& rect : rects) {
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
            return true;
        }
    }
    return false;
}

inline std::vector<std::byte> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    if (!chars.empty()) {
        std::memcpy(bytes.data(), chars.data(), chars.size());
    }
    return bytes;
}

// A picture as blue, green, red bytes, top line first.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bgr;

    const std::uint8_t* At(std::int32_t x, std::int32_t y) const {
        return bgr.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

// Decodes an uncompressed 8-bit .bmp file with a bottom-up rows and a 256-entry palette, the
// kind the frames are; empty when the file is not one.
inline Image ReadFrameBitmap(const std::string& path) {
    std::vector<std::byte> file = ReadFileBytes(path);
    Image image;
    if (file.size() < 54 + 1024 || static_cast<char>(file[0]) != 'B') {
        return image;
    }
    std::int32_t pixelsAt = ReadInt32(file, 10);
    std::int32_t width = ReadInt32(file, 18), height = ReadInt32(file, 22);
    std::int32_t bitCount = ReadInt32(file, 28) & 0xFFFF;
    if (bitCount != 8 || width <= 0 || height <= 0) {
        return image;
    }
    std::size_t palette = 14 + static_cast<std::size_t>(ReadInt32(file, 14));
    std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    if (static_cast<std::size_t>(pixelsAt) + stride * height > file.size()) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.bgr.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        std::size_t row = pixelsAt + stride * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x) {
            auto index = static_cast<std::size_t>(file[row + x]);
            for (int channel = 0; channel < 3; ++channel) {
                image.bgr[(static_cast<std::size_t>(y) * width + x) * 3 + channel] =
                    static_cast<std::uint8_t>(file[palette + index * 4 + channel]);
            }
        }
    }
    return image;
}

struct FrameFacts {
    std::int32_t width, height, rectangles;
};

// The frame set: bitmap size and number of region rectangles of every frame id.
inline const std::map<std::int16_t, FrameFacts> kFrameSet = {
    {101, {37, 36, 24}}, {102, {39, 37, 25}}, {103, {41, 39, 24}}, {104, {39, 33, 23}},
    {111, {37, 36, 24}}, {112, {39, 37, 25}}, {113, {41, 39, 24}}, {114, {39, 33, 23}},
    {121, {37, 36, 24}}, {122, {39, 37, 25}}, {123, {41, 39, 24}}, {124, {39, 33, 23}},
    {131, {37, 36, 24}}, {132, {39, 37, 25}}, {133, {41, 39, 24}}, {134, {39, 33, 23}},
    {142, {39, 32, 24}}, {143, {62, 48, 84}}, {144, {80, 66, 68}}, {145, {85, 65, 68}},
    {146, {84, 28, 67}},
};

inline bool IsPureRed(const std::uint8_t* bgr) {
    return bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 255;
}

} // namespace imaging_test
