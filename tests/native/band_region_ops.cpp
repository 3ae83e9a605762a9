// The banded region type of the shared backend pieces, against a pixel-by-pixel reference:
// seeded random sets of small rectangles (empty and inverted ones among them) are put
// together every way, and each result must cover exactly the reference's pixels and be in
// banded form (which, for given pixels, is one set of rectangles only).
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "gdi/memory/band_region.h"
#include "support/banded_form.h"

namespace {

using platform::RegionRect;
using platform::memory::BandOp;
using platform::memory::BandRegion;

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

// `region` covers exactly `expected`, inside the grid, in banded form.
void ExpectRegionOf(const BandRegion& region, const Pixels& expected) {
    const std::span<const RegionRect> rects = region.Rects();
    ASSERT_EQ(jellop_test::BandedFormFault(rects), "");
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

        // Rectangles in banded order, or runs of them (a region's own, one region's after
        // another's, random ones sorted by top and left), give the same regions.
        std::vector<RegionRect> sorted = rectsA;
        std::sort(sorted.begin(), sorted.end(), [](const RegionRect& p, const RegionRect& q) {
            return p.top != q.top ? p.top < q.top : p.left < q.left;
        });
        ASSERT_NO_FATAL_FAILURE(ExpectRegionOf(BandRegion::FromRects(sorted), pixelsA));
        EXPECT_EQ(BandRegion::FromRects(a.Rects()), a);
        std::vector<RegionRect> both(a.Rects().begin(), a.Rects().end());
        both.insert(both.end(), b.Rects().begin(), b.Rects().end());
        EXPECT_EQ(BandRegion::FromRects(both), BandRegion::Combine(a, b, BandOp::Union));
    }
}

// The checker the region tests and the fuzzer share finds each way out of banded form.
TEST(BandedForm, TheCheckFindsEveryBreach) {
    const struct {
        const char* what;
        std::vector<RegionRect> rects;
        bool banded;
    } cases[] = {
        {"none", {}, true},
        {"two bands, a gap between", {{0, 0, 2, 1}, {4, 0, 6, 1}, {0, 2, 6, 3}}, true},
        {"bands that meet with other spans", {{0, 0, 2, 1}, {0, 1, 3, 2}}, true},
        {"empty", {{1, 0, 1, 2}}, false},
        {"inverted", {{0, 2, 4, 1}}, false},
        {"a band's rectangles with other bottoms", {{0, 0, 2, 1}, {4, 0, 6, 2}}, false},
        {"touching in a band", {{0, 0, 2, 1}, {2, 0, 4, 1}}, false},
        {"overlapping in a band", {{0, 0, 3, 1}, {2, 0, 4, 1}}, false},
        {"out of order in a band", {{4, 0, 6, 1}, {0, 0, 2, 1}}, false},
        {"overlapping bands", {{0, 0, 2, 2}, {0, 1, 2, 3}}, false},
        {"bands out of order", {{0, 2, 2, 3}, {0, 0, 2, 1}}, false},
        {"bands that meet with the same spans",
         {{0, 0, 2, 1}, {5, 0, 6, 1}, {0, 1, 2, 2}, {5, 1, 6, 2}},
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jellop_test::BandedFormFault(c.rects).empty(), c.banded) << c.what;
    }
}

namespace {

// n squares of side n / 2 down a diagonal, each a pixel right of and below the one before:
// every square overlaps the n / 2 - 1 after it, and their union is a staircase of
// 3n / 2 - 1 rectangles.
std::vector<RegionRect> Staircase(std::int32_t n) {
    std::vector<RegionRect> squares;
    for (std::int32_t i = 0; i < n; ++i) {
        squares.push_back({i, i, i + n / 2, i + n / 2});
    }
    return squares;
}

// The fastest of `runs` unions of `rects`, in seconds, and the union.
double FastestUnion(const std::vector<RegionRect>& rects, int runs, BandRegion& region) {
    double fastest = 1e9;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        region = BandRegion::FromRects(rects);
        fastest = std::min(
            fastest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return fastest;
}

} // namespace

// A crafted region of many overlapping rectangles loads in about n log n steps, not n^2:
// 16 times the rectangles take about 22 times as long (16 x log 16384 / log 1024); a cost
// growing with n^2 would take 256 times. Timed as a ratio on one machine, each the fastest of
// a few runs, so a loaded machine slows both sides alike.
TEST(BandRegion, ManyOverlappingRectanglesJoinInAboutNLogNSteps) {
    constexpr std::int32_t kSmall = 1024;
    constexpr std::int32_t kLarge = 16 * kSmall;
    BandRegion small;
    BandRegion large;
    const double smallSeconds = FastestUnion(Staircase(kSmall), 9, small);
    const double largeSeconds = FastestUnion(Staircase(kLarge), 3, large);

    for (const auto& [n, region] : {std::pair{kSmall, &small}, std::pair{kLarge, &large}}) {
        ASSERT_EQ(jellop_test::BandedFormFault(region->Rects()), "");
        EXPECT_EQ(region->Rects().size(), static_cast<std::size_t>(3 * n / 2 - 1));
        std::int64_t area = 0;
        for (const RegionRect& rect : region->Rects()) {
            area += std::int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
        }
        const std::int64_t side = n / 2;
        EXPECT_EQ(area, side * side + (n - 1) * (2 * side - 1)) << n << " squares";
    }
    EXPECT_LT(largeSeconds / smallSeconds, 64.0)
        << kSmall << " squares took " << smallSeconds * 1e3 << " ms, " << kLarge << " took "
        << largeSeconds * 1e3 << " ms";
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
