// cDIBSectionRegion::Create builds its bands directly; the result must be byte for byte the
// region that taking out every transparent run strip by strip gives, on the same platform.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gdi/region.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "shared/imaging_build_strips.h"
#include "shared/imaging_build_support.h"

namespace {

using namespace jellop_test;

void ExpectSameAsStrips(imaging::cDIBSection& dib, std::uint32_t transColor) {
    platform::Region strips = StripByStripRegion(dib.DIBSectionBitsPtr(), dib.Width(), dib.Height(),
                                                 dib.BytesPerScanLine(), transColor);
    ASSERT_TRUE(strips);
    std::vector<std::byte> expected = platform::RegionDataBytes(strips.get());

    ScratchFolder folder;
    imaging::cDIBSectionRegion region;
    region.Create(dib, static_cast<std::int32_t>(transColor));
    std::vector<std::uint8_t> actual = SavedBlock(region, folder);
    ASSERT_EQ(actual.size(), expected.size()) << dib.Width() << "x" << dib.Height();
    EXPECT_EQ(std::memcmp(actual.data(), expected.data(), actual.size()), 0)
        << dib.Width() << "x" << dib.Height();
}

// Noise of a few colours: many short runs in both directions.
void Noise(imaging::cDIBSection& dib, std::mt19937& random, int colours) {
    const std::uint32_t palette[] = {kMagenta, kWhite, kBlack, kTeal};
    std::uniform_int_distribution<int> pick(0, colours - 1);
    for (std::int32_t y = 0; y < dib.Height(); ++y) {
        for (std::int32_t x = 0; x < dib.Width(); ++x) {
            SetPixel(dib, x, y, palette[pick(random)]);
        }
    }
}

// Blobs with holes on a transparent background, like sprites on a sheet.
void Sprites(imaging::cDIBSection& dib, std::mt19937& random) {
    for (std::int32_t y = 0; y < dib.Height(); ++y) {
        for (std::int32_t x = 0; x < dib.Width(); ++x) {
            SetPixel(dib, x, y, kMagenta);
        }
    }
    std::uniform_int_distribution<std::int32_t> cx(0, dib.Width() - 1);
    std::uniform_int_distribution<std::int32_t> cy(0, dib.Height() - 1);
    std::uniform_int_distribution<std::int32_t> radius(1, 9);
    for (int blob = 0; blob < 12; ++blob) {
        const std::int32_t x0 = cx(random), y0 = cy(random), r = radius(random);
        for (std::int32_t y = y0 - r; y <= y0 + r; ++y) {
            for (std::int32_t x = x0 - r; x <= x0 + r; ++x) {
                const std::int32_t d = (x - x0) * (x - x0) + (y - y0) * (y - y0);
                if (x >= 0 && y >= 0 && x < dib.Width() && y < dib.Height() && d <= r * r) {
                    SetPixel(dib, x, y, d < r * r / 4 && (x + y) % 3 == 0 ? kMagenta : kTeal);
                }
            }
        }
    }
}

TEST(RegionBuildMatchesStrips, OnNoiseOfEverySmallSize) {
    std::mt19937 random(4242);
    for (std::int32_t width = 1; width <= 9; ++width) {
        for (std::int32_t height = 1; height <= 6; ++height) {
            imaging::cDIBSection dib;
            ASSERT_TRUE(dib.Create(width, height));
            Noise(dib, random, 2);
            FillPadding(dib, 0xFF);
            ExpectSameAsStrips(dib, kMagenta);
        }
    }
}

TEST(RegionBuildMatchesStrips, OnLargerNoiseSpritesAndPatterns) {
    std::mt19937 random(99);
    for (int round = 0; round < 6; ++round) {
        imaging::cDIBSection dib;
        ASSERT_TRUE(dib.Create(37 + round * 13, 29 + round * 7));
        Noise(dib, random, round % 2 == 0 ? 2 : 4);
        ExpectSameAsStrips(dib, kMagenta);
        Sprites(dib, random);
        ExpectSameAsStrips(dib, kMagenta);
        ExpectSameAsStrips(dib, kTeal);
    }
    // Stripes and checks: bands that coalesce and bands that must not.
    imaging::cDIBSection dib;
    ASSERT_TRUE(dib.Create(23, 17));
    for (std::int32_t y = 0; y < 17; ++y) {
        for (std::int32_t x = 0; x < 23; ++x) {
            SetPixel(dib, x, y, (x / 3 + y / 4) % 2 == 0 ? kMagenta : kWhite);
        }
    }
    ExpectSameAsStrips(dib, kMagenta);
    ExpectSameAsStrips(dib, kWhite);
    ExpectSameAsStrips(dib, kBlack); // no transparent pixel
}

} // namespace
