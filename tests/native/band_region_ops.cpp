// The banded region type of the shared backend pieces, against a pixel-by-pixel reference:
// seeded random sets of small rectangles (empty and inverted ones among them) are put
// together every way, and each result must cover exactly the reference's pixels and be in
// banded form (which, for given pixels, is one set of rectangles only).
#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "platform/shared/band_region.h"

namespace {

using platform::RegionRect;
using platform::shared::BandOp;
using platform::shared::BandRegion;

// Rectangles lie in a 16 x 16 grid of columns and rows -4 to 11.
constexpr std::int32_t kLow = -4;
constexpr std::int32_t kHigh = 12;
constexpr std::int32_t kSize = kHigh - kLow;
using Pixels = std::bitset<kSize * kSize>;

std::size_t Cell(std::int32_t x, std::int32_t y) {
    return static_cast<std::size_t>((y - kLow) * kSize + (x - kLow));
}

Pixels Paint(std::span<const RegionRect> rects) {
    Pixels pixels;
    for (const RegionRect& rect : rects) {
        for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
            for (std::int32_t x = rect.left; x < rect.right; ++x) {
                pixels.set(Cell(x, y));
            }
        }
    }
    return pixels;
}

std::vector<RegionRect> RandomRects(std::mt19937& random) {
    std::uniform_int_distribution<std::int32_t> coordinate(kLow, kHigh);
    std::vector<RegionRect> rects(random() % 9);
    for (RegionRect& rect : rects) {
        rect = {coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
        if (random() % 8 != 0) { // mostly well-formed; the rest may be inverted
            if (rect.left > rect.right) {
                std::swap(rect.left, rect.right);
            }
            if (rect.top > rect.bottom) {
                std::swap(rect.top, rect.bottom);
            }
        }
    }
    return rects;
}

// Rectangles are non-empty; sorted by top, then left; a band's rectangles share top and
// bottom and have gaps between them; bands do not overlap, and bands that meet differ.
void ExpectBanded(std::span<const RegionRect> rects) {
    std::size_t bandStart = 0;
    std::size_t previousBand = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RegionRect& rect = rects[i];
        ASSERT_LT(rect.left, rect.right) << "rectangle " << i;
        ASSERT_LT(rect.top, rect.bottom) << "rectangle " << i;
        if (i == 0) {
            continue;
        }
        const RegionRect& before = rects[i - 1];
        if (rect.top == before.top) {
            ASSERT_EQ(rect.bottom, before.bottom) << "rectangle " << i;
            ASSERT_LT(before.right, rect.left) << "rectangle " << i << " overlaps or touches";
            continue;
        }
        ASSERT_GE(rect.top, before.bottom) << "band at rectangle " << i << " overlaps";
        previousBand = bandStart;
        bandStart = i;
        if (rect.top == before.bottom) {
            // The band just ended must not have the same spans as the one starting here.
            std::size_t end = i + 1;
            while (end < rects.size() && rects[end].top == rect.top) {
                ++end;
            }
            bool same = end - i == i - previousBand;
            for (std::size_t k = 0; same && k < end - i; ++k) {
                same = rects[previousBand + k].left == rects[i + k].left &&
                       rects[previousBand + k].right == rects[i + k].right;
            }
            ASSERT_FALSE(same) << "bands meeting at row " << rect.top << " were not joined";
        }
    }
}

// `region` covers exactly `expected`, inside the grid, in banded form.
void ExpectRegionOf(const BandRegion& region, const Pixels& expected) {
    const std::span<const RegionRect> rects = region.Rects();
    ASSERT_NO_FATAL_FAILURE(ExpectBanded(rects));
    for (const RegionRect& rect : rects) {
        ASSERT_TRUE(rect.left >= kLow && rect.right <= kHigh && rect.top >= kLow &&
                    rect.bottom <= kHigh)
            << "a rectangle reaches outside every operand";
    }
    EXPECT_EQ(Paint(rects), expected);
    EXPECT_EQ(region.Empty(), expected.none());
}

TEST(BandRegion, EveryOperationMatchesThePixelsOfRandomRectangles) {
    std::mt19937 random(20240611);
    for (int trial = 0; trial < 3000; ++trial) {
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        const std::vector<RegionRect> rectsA = RandomRects(random);
        const std::vector<RegionRect> rectsB = RandomRects(random);
        auto wellFormed = [](std::vector<RegionRect> rects) {
            std::erase_if(
                rects, [](const RegionRect& r) { return r.left >= r.right || r.top >= r.bottom; });
            return rects;
        };
        const Pixels pixelsA = Paint(wellFormed(rectsA));
        const Pixels pixelsB = Paint(wellFormed(rectsB));

        const BandRegion a = BandRegion::FromRects(rectsA);
        const BandRegion b = BandRegion::FromRects(rectsB);
        ASSERT_NO_FATAL_FAILURE(ExpectRegionOf(a, pixelsA));
        ASSERT_NO_FATAL_FAILURE(ExpectRegionOf(b, pixelsB));
        if (!rectsA.empty()) {
            ASSERT_NO_FATAL_FAILURE(
                ExpectRegionOf(BandRegion::FromBox(rectsA[0]), Paint(wellFormed({rectsA[0]}))));
        }

        ASSERT_NO_FATAL_FAILURE(
            ExpectRegionOf(BandRegion::Combine(a, b, BandOp::Union), pixelsA | pixelsB));
        ASSERT_NO_FATAL_FAILURE(
            ExpectRegionOf(BandRegion::Combine(a, b, BandOp::Intersect), pixelsA & pixelsB));
        ASSERT_NO_FATAL_FAILURE(
            ExpectRegionOf(BandRegion::Combine(a, b, BandOp::Subtract), pixelsA & ~pixelsB));
        ASSERT_NO_FATAL_FAILURE(
            ExpectRegionOf(BandRegion::Combine(a, b, BandOp::Xor), pixelsA ^ pixelsB));
        // An operand with itself.
        ASSERT_NO_FATAL_FAILURE(ExpectRegionOf(BandRegion::Combine(a, a, BandOp::Union), pixelsA));
        EXPECT_TRUE(BandRegion::Combine(a, a, BandOp::Xor).Empty());
    }
}

// Edges at the ends of the 32-bit range are coordinates like any other (no edge value is
// taken to mean "no more edges").
TEST(BandRegion, CoordinatesAtTheEndsOfTheRangeCombine) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const BandRegion all = BandRegion::FromBox({kMin, kMin, kMax, kMax});
    const BandRegion hole = BandRegion::FromBox({-1, 0, 2, 5});

    const BandRegion frame = BandRegion::Combine(all, hole, BandOp::Subtract);
    EXPECT_EQ(
        std::vector<RegionRect>(frame.Rects().begin(), frame.Rects().end()),
        (std::vector<RegionRect>{
            {kMin, kMin, kMax, 0}, {kMin, 0, -1, 5}, {2, 0, kMax, 5}, {kMin, 5, kMax, kMax}}));
    EXPECT_EQ(BandRegion::Combine(frame, hole, BandOp::Union), all);
    EXPECT_EQ(BandRegion::Combine(frame, all, BandOp::Xor), hole);

    const RegionRect edges[] = {{kMax - 1, kMin, kMax, kMin + 1}, {kMin, kMin, kMin + 1, kMin + 1}};
    const BandRegion corners = BandRegion::FromRects(edges);
    EXPECT_EQ(std::vector<RegionRect>(corners.Rects().begin(), corners.Rects().end()),
              (std::vector<RegionRect>{{kMin, kMin, kMin + 1, kMin + 1},
                                       {kMax - 1, kMin, kMax, kMin + 1}}));
}

} // namespace
