// Checks the committed animation frames, their window regions and the icon,
// and that the art generator reproduces them exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "artgen.h"
#include "image.h"
#include "native/committed_files.h"
#include "region.h"
#include "shared/imaging_support.h" // prints the rectangles
#include "support/banded_form.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace {

using committed::Bytes;
using committed::readFile;
using committed::u16;
using committed::u32;

struct ExpectedFrame {
    int id, width, height, rects;
};

const ExpectedFrame kFrames[] = {
    {101, 37, 36, 24}, {102, 39, 37, 25}, {103, 41, 39, 24}, {104, 39, 33, 23}, {111, 37, 36, 24},
    {112, 39, 37, 25}, {113, 41, 39, 24}, {114, 39, 33, 23}, {121, 37, 36, 24}, {122, 39, 37, 25},
    {123, 41, 39, 24}, {124, 39, 33, 23}, {131, 37, 36, 24}, {132, 39, 37, 25}, {133, 41, 39, 24},
    {134, 39, 33, 23}, {142, 39, 32, 24}, {143, 62, 48, 84}, {144, 80, 66, 68}, {145, 85, 65, 68},
    {146, 84, 28, 67},
};

std::int32_t i32(const Bytes& b, size_t at) {
    return static_cast<std::int32_t>(u32(b, at));
}

std::string framePath(int id) {
    return "resources/frames/" + std::to_string(id) + ".bmp";
}
std::string regionPath(int id) {
    return "resources/regions/" + std::to_string(id) + ".rgn";
}

// An 8-bit bitmap as stored: its palette and its indices, top row first.
struct Bitmap {
    int width = 0, height = 0;
    std::array<std::array<std::uint8_t, 3>, 256> palette{}; // r, g, b
    std::vector<std::uint8_t> pixels;
    std::uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Parses and validates the file layout; reports problems as test failures.
Bitmap loadBitmap(int id) {
    const Bytes b = readFile(framePath(id));
    Bitmap bmp;
    if (b.size() < 14 + 40 + 1024) {
        ADD_FAILURE() << id << ": file too short";
        return bmp;
    }
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(u32(b, 2), b.size()) << id << ": file size field";
    EXPECT_EQ(u32(b, 10), 14u + 40 + 1024) << id << ": pixel data offset";
    EXPECT_EQ(u32(b, 14), 40u) << id << ": BITMAPINFOHEADER size";
    bmp.width = i32(b, 18);
    bmp.height = i32(b, 22);
    EXPECT_EQ(u16(b, 26), 1u) << id << ": planes";
    EXPECT_EQ(u16(b, 28), 8u) << id << ": bits per pixel";
    EXPECT_EQ(u32(b, 30), 0u) << id << ": compression must be BI_RGB";
    const std::uint32_t used = u32(b, 46);
    EXPECT_TRUE(used == 0 || used == 256) << id << ": biClrUsed " << used;

    const int stride = (bmp.width + 3) / 4 * 4;
    if (bmp.width <= 0 || bmp.height <= 0 ||
        b.size() != 14 + 40 + 1024 + size_t(stride) * bmp.height) {
        ADD_FAILURE() << id << ": bad size " << bmp.width << "x" << bmp.height << " for "
                      << b.size() << " bytes";
        return bmp;
    }
    for (int i = 0; i < 256; ++i)
        bmp.palette[i] = {b[54 + 4 * i + 2], b[54 + 4 * i + 1], b[54 + 4 * i]};
    bmp.pixels.resize(static_cast<size_t>(bmp.width) * bmp.height);
    for (int y = 0; y < bmp.height; ++y) {
        const size_t row = 14 + 40 + 1024 + size_t(bmp.height - 1 - y) * stride; // bottom-up
        std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(row), bmp.width,
                    bmp.pixels.begin() + static_cast<std::ptrdiff_t>(y) * bmp.width);
    }
    return bmp;
}

struct RegionFile {
    Bytes raw;
    std::vector<jellop::art::Rect> rects;
};

RegionFile loadRegion(int id, int width, int height) {
    RegionFile r{readFile(regionPath(id)), {}};
    const auto block = std::as_bytes(std::span(r.raw));
    // The block as GetRegionData gives one: header, count, bounds and banded form.
    EXPECT_EQ(jellop_test::RegionBlockFault(block), "") << id;
    if (!platform::IsValidRegionData(block)) {
        ADD_FAILURE() << id << ": not a region block";
        return r;
    }
    EXPECT_EQ(i32(r.raw, 16), 0);
    EXPECT_EQ(i32(r.raw, 20), 0);
    EXPECT_EQ(i32(r.raw, 24), width) << id << ": rcBound.right";
    EXPECT_EQ(i32(r.raw, 28), height) << id << ": rcBound.bottom";
    r.rects = platform::RegionDataRects(block);
    return r;
}

// ---------------------------------------------------------------- generator

TEST(ArtGenerator, RegeneratesTheCommittedFilesByteForByte) {
    const std::string description = jellop::art::readTextFile(std::string(JELLOP_SOURCE_DIR) + "/" +
                                                              jellop::art::kDescriptionPath);
    const jellop::art::FileMap files = jellop::art::generateArt(description);

    // Every frame and region, the icon and its two PNG files, the contact sheet, nothing else.
    EXPECT_EQ(files.size(), std::size(kFrames) * 2 + 4);
    for (const ExpectedFrame& f : kFrames) {
        EXPECT_TRUE(files.count(framePath(f.id))) << f.id;
        EXPECT_TRUE(files.count(regionPath(f.id))) << f.id;
    }
    for (const auto& [path, bytes] : files)
        EXPECT_TRUE(bytes == readFile(path)) << path << " is out of date";
}

TEST(ArtGenerator, FailsWhenAFrameDoesNotGiveTheExpectedRectangleCount) {
    const std::string text =
        "colour outline 0 0 0\ncolour rim 1 1 1\ncolour shadow 2 2 2\ncolour body 3 3 3\n"
        "colour light 4 4 4\ncolour glow 5 5 5\n"
        "frame 101 10 10 rects 2\n  body box 2 2 5 5\n"
        "icon 4 4\n  body box 0 0 4 4\n";
    EXPECT_THROW(jellop::art::generateArt(text), std::runtime_error); // a box is one rectangle
}

TEST(ArtGenerator, FailsWhenAFrameDoesNotReachAllFourEdges) {
    const std::string palette =
        "colour outline 0 0 0\ncolour rim 1 1 1\ncolour shadow 2 2 2\ncolour body 3 3 3\n"
        "colour light 4 4 4\ncolour glow 5 5 5\n";
    const std::string icon = "icon 4 4\n  body box 0 0 4 4\n";
    // A full box is accepted; a box one pixel short of any edge is not, even
    // though it still makes the expected single rectangle.
    EXPECT_NO_THROW(
        jellop::art::generateArt(palette + "frame 101 6 5 rects 1\n  body box 0 0 6 5\n" + icon));
    for (const char* box : {"1 0 5 5", "0 1 6 4", "0 0 5 5", "0 0 6 4"}) {
        const std::string text = palette + "frame 101 6 5 rects 1\n  body box " + box + "\n" + icon;
        try {
            jellop::art::generateArt(text);
            ADD_FAILURE() << "box " << box << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("not the whole frame"), std::string::npos)
                << box << ": " << e.what();
        }
    }
}

// ------------------------------------------------------------ region banding

jellop::art::Image maskImage(const std::vector<std::string>& rows) {
    jellop::art::Image img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            img.at(x, y) = rows[y][x] == '#' ? 7 : jellop::art::kClear;
    return img;
}

TEST(RegionBanding, CoalescesIdenticalRowsAndSplitsRowsIntoRuns) {
    const auto rects = jellop::art::regionRects(maskImage({
        ".##.##",
        ".##.##",
        "######",
        "..##..",
    }));
    const std::vector<jellop::art::Rect> expected = {
        {1, 0, 3, 2},
        {4, 0, 6, 2}, // two runs over two identical rows
        {0, 2, 6, 3}, // a full row
        {2, 3, 4, 4},
    };
    EXPECT_EQ(rects, expected);
}

TEST(RegionBanding, EmptyRowsEndABandAndAreNotCovered) {
    const auto rects = jellop::art::regionRects(maskImage({
        "......",
        ".###..",
        "......",
        ".###..",
        ".###..",
        "......",
    }));
    const std::vector<jellop::art::Rect> expected = {{1, 1, 4, 2}, {1, 3, 4, 5}};
    EXPECT_EQ(rects, expected);
}

TEST(RegionBanding, RowsWithTheSameRunCountButDifferentRunsAreSeparateBands) {
    const auto rects = jellop::art::regionRects(maskImage({
        "#.#.",
        "#..#",
        "#..#",
    }));
    const std::vector<jellop::art::Rect> expected = {
        {0, 0, 1, 1}, {2, 0, 3, 1}, {0, 1, 1, 3}, {3, 1, 4, 3}};
    EXPECT_EQ(rects, expected);
}

// ---------------------------------------------------------- committed files

TEST(FrameSet, BitmapsHaveTheirSizesAndShareOnePaletteWithARedKey) {
    const Bitmap first = loadBitmap(kFrames[0].id);
    for (const ExpectedFrame& f : kFrames) {
        const Bitmap bmp = loadBitmap(f.id);
        EXPECT_EQ(bmp.width, f.width) << f.id;
        EXPECT_EQ(bmp.height, f.height) << f.id;
        EXPECT_TRUE(bmp.palette == first.palette) << f.id << " has a different palette";
    }
    using Entry = std::array<std::uint8_t, 3>;
    EXPECT_EQ(first.palette[0], (Entry{255, 0, 0}));
    for (int i = 1; i < 256; ++i)
        EXPECT_NE(first.palette[i], (Entry{255, 0, 0})) << "entry " << i;
}

TEST(FrameSet, EveryFrameShowsTheCreatureWithTheKeyColourAroundIt) {
    for (const ExpectedFrame& f : kFrames) {
        const Bitmap bmp = loadBitmap(f.id);
        if (bmp.pixels.empty())
            continue;
        const auto visible =
            std::count_if(bmp.pixels.begin(), bmp.pixels.end(), [](auto p) { return p != 0; });
        EXPECT_GT(visible, static_cast<long>(bmp.pixels.size() / 20)) << f.id;
        EXPECT_LT(visible, static_cast<long>(bmp.pixels.size())) << f.id;
    }
}

TEST(FrameSet, EveryPictureReachesAllFourEdgesOfItsBitmap) {
    // Frames are placed by their top-left corner and sized to the bitmap, so
    // a picture that stopped short of an edge would sit off its window's
    // stated bounds; the grounded poses stand on the bottom row.
    for (const ExpectedFrame& f : kFrames) {
        const Bitmap bmp = loadBitmap(f.id);
        if (bmp.pixels.empty())
            continue;
        int left = 0, top = 0, right = 0, bottom = 0;
        for (int y = 0; y < bmp.height; ++y) {
            left += bmp.at(0, y) != 0;
            right += bmp.at(bmp.width - 1, y) != 0;
        }
        for (int x = 0; x < bmp.width; ++x) {
            top += bmp.at(x, 0) != 0;
            bottom += bmp.at(x, bmp.height - 1) != 0;
        }
        EXPECT_GT(left, 0) << f.id << " leaves column 0 empty";
        EXPECT_GT(top, 0) << f.id << " leaves row 0 empty";
        EXPECT_GT(right, 0) << f.id << " leaves the last column empty";
        EXPECT_GT(bottom, 0) << f.id << " leaves the last row empty";
    }
}

TEST(FrameSet, RegionsHaveTheExactCountsAndCoverExactlyTheVisiblePixels) {
    for (const ExpectedFrame& f : kFrames) {
        const Bitmap bmp = loadBitmap(f.id);
        const RegionFile region = loadRegion(f.id, f.width, f.height);
        EXPECT_EQ(region.rects.size(), static_cast<size_t>(f.rects)) << f.id;
        if (bmp.pixels.empty())
            continue;

        std::vector<int> cover(bmp.pixels.size(), 0);
        for (size_t i = 0; i < region.rects.size(); ++i) {
            const auto& r = region.rects[i];
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
                        r.right <= f.width && r.bottom <= f.height)
                << f.id << " rectangle " << i;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    ++cover[static_cast<size_t>(y) * f.width + x];
        }
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const int expected = bmp.at(x, y) != 0 ? 1 : 0;
                ASSERT_EQ(cover[static_cast<size_t>(y) * f.width + x], expected)
                    << f.id << " pixel (" << x << "," << y << ")";
            }
    }
}

TEST(FrameSet, RegionRectanglesSpanExactlyTheStoredBoundsOfTheWholeFrame) {
    // The header's rcBound is (0, 0, width, height); it must also be the true
    // bounding box of the rectangles, so the character reaches every edge.
    for (const ExpectedFrame& f : kFrames) {
        const RegionFile region = loadRegion(f.id, f.width, f.height);
        ASSERT_FALSE(region.rects.empty()) << f.id;
        // (loadRegion holds rcBound to the same and to the rectangles' bounding box.)
        EXPECT_EQ(platform::BoundingBox(region.rects), (jellop::art::Rect{0, 0, f.width, f.height}))
            << f.id;
    }
}

TEST(FrameSet, FacingRightIsTheExactMirrorOfFacingLeft) {
    for (int front : {101, 102, 103, 104, 121, 122, 123, 124}) {
        const Bitmap left = loadBitmap(front), right = loadBitmap(front + 10);
        ASSERT_EQ(left.width, right.width);
        ASSERT_EQ(left.height, right.height);
        for (int y = 0; y < left.height; ++y)
            for (int x = 0; x < left.width; ++x)
                ASSERT_EQ(right.at(x, y), left.at(left.width - 1 - x, y))
                    << front + 10 << " at " << x << "," << y;
    }
}

TEST(FrameSet, BackViewsKeepTheFrontOutlineButNotTheFace) {
    for (int front : {101, 102, 103, 104, 111, 112, 113, 114}) {
        const int back = front + 20;
        const Bitmap f = loadBitmap(front), b = loadBitmap(back);
        ASSERT_EQ(f.pixels.size(), b.pixels.size());
        for (size_t i = 0; i < f.pixels.size(); ++i)
            ASSERT_EQ(f.pixels[i] != 0, b.pixels[i] != 0)
                << back << " outline differs at pixel " << i;
        EXPECT_NE(f.pixels, b.pixels) << back << " is a copy of " << front;
        EXPECT_EQ(readFile(regionPath(back)), readFile(regionPath(front))) << back;
    }
}

// --------------------------------------------------------------------- icon

// One image of the committed icon: its colour depth, its AND mask (set where the desktop shows
// through) and its colours, row 0 at the top.
struct IconEntry {
    std::uint32_t bits = 0;
    std::vector<bool> mask;
    std::vector<std::array<std::uint8_t, 3>> rgb;
};

// Reads entry `e` of the icon file `b`, checking its directory entry and header on the way.
void readIconEntry(const Bytes& b, int e, IconEntry& entry) {
    const size_t dir = 6 + 16 * static_cast<size_t>(e);
    ASSERT_LE(dir + 16, b.size());
    EXPECT_EQ(b[dir], 32);
    EXPECT_EQ(b[dir + 1], 32);
    const std::uint32_t bpp = u16(b, dir + 6), size = u32(b, dir + 8), offset = u32(b, dir + 12);
    entry.bits = bpp;
    ASSERT_LE(size_t(offset) + size, b.size());

    // BMP-encoded entry: info header with doubled height, colour, AND mask.
    EXPECT_EQ(u32(b, offset), 40u);
    EXPECT_EQ(i32(b, offset + 4), 32);
    EXPECT_EQ(i32(b, offset + 8), 64);
    EXPECT_EQ(u16(b, offset + 14), bpp);
    EXPECT_EQ(u32(b, offset + 16), 0u);
    const size_t paletteBytes = bpp == 8 ? 1024 : 0;
    const size_t colourStride = 32 * bpp / 8;
    ASSERT_EQ(size, 40 + paletteBytes + colourStride * 32 + 4 * 32) << bpp << "-bit entry size";

    entry.mask.assign(32 * 32, false);
    entry.rgb.assign(32 * 32, {});
    const size_t pixels = offset + 40 + paletteBytes, andMask = pixels + colourStride * 32;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const size_t row = size_t(31 - y);
            entry.mask[y * 32 + x] = (b[andMask + row * 4 + x / 8] >> (7 - x % 8)) & 1;
            if (bpp == 8) {
                const size_t p = offset + 40 + 4 * size_t(b[pixels + row * colourStride + x]);
                entry.rgb[y * 32 + x] = {b[p + 2], b[p + 1], b[p]};
            } else {
                const size_t p = pixels + row * colourStride + 3 * size_t(x);
                entry.rgb[y * 32 + x] = {b[p + 2], b[p + 1], b[p]};
            }
        }
}

TEST(Icon, HoldsTwo32x32ImagesOf8And24BitsWithMatchingMasks) {
    const Bytes b = readFile("resources/icon/jellop.ico");
    ASSERT_GE(b.size(), 6u + 2 * 16);
    EXPECT_EQ(u16(b, 0), 0u);
    EXPECT_EQ(u16(b, 2), 1u); // icon, not cursor
    ASSERT_EQ(u16(b, 4), 2u);

    IconEntry entries[2];
    for (int e = 0; e < 2; ++e)
        ASSERT_NO_FATAL_FAILURE(readIconEntry(b, e, entries[e]));
    EXPECT_EQ(entries[0].bits, 8u);
    EXPECT_EQ(entries[1].bits, 24u);
    EXPECT_EQ(entries[0].mask, entries[1].mask);
    EXPECT_EQ(entries[0].rgb, entries[1].rgb);
    const std::vector<bool>& mask = entries[0].mask;
    const auto transparent = std::count(mask.begin(), mask.end(), true);
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, 32 * 32 / 2);
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i]) {
            EXPECT_EQ(entries[0].rgb[i], (std::array<std::uint8_t, 3>{0, 0, 0})) << "pixel " << i;
        }
    }
}

// The icon files of Linux desktops: the icon's own pixels at 32x32 and, enlarged by whole
// pixels, at 128x128; transparent exactly where the icon's mask lets the desktop through.
TEST(Icon, ThePngFilesShowTheIconsPixelsAtTheirSizes) {
    IconEntry icon;
    ASSERT_NO_FATAL_FAILURE(readIconEntry(readFile("resources/icon/jellop.ico"), 1, icon));
    for (int scale : {1, jellop::art::kLargeIconScale}) {
        const int size = 32 * scale;
        const std::string path = "resources/icon/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/jellop.png";
        const Bytes png = readFile(path);
        int width = 0, height = 0, channels = 0;
        std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
            stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height,
                                  &channels, 4),
            stbi_image_free);
        ASSERT_TRUE(rgba) << path << ": " << stbi_failure_reason();
        ASSERT_EQ(width, size) << path;
        ASSERT_EQ(height, size) << path;
        int wrong = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const stbi_uc* p = rgba.get() + (static_cast<size_t>(y) * size + x) * 4;
                const size_t source = static_cast<size_t>(y / scale) * 32 + x / scale;
                const bool clear = icon.mask[source];
                wrong += clear ? p[3] != 0
                               : p[3] != 255 || std::array<std::uint8_t, 3>{p[0], p[1], p[2]} !=
                                                    icon.rgb[source];
            }
        EXPECT_EQ(wrong, 0) << path << ": pixels that differ from the icon's";
    }
}

} // namespace
