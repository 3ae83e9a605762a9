// The banded region type on the frames' own region blocks (resources/regions), the regions the
// program really builds and combines: each frame's rectangles come back unchanged (they are in
// banded form already), and each frame put together with the next by every operation covers
// exactly the pixels worked out one by one. The random rectangles of band_region_ops.cpp stay
// in a 16 x 16 grid; these have dozens of bands and several spans to a band.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "gdi/memory/band_region.h"
#include "gdi/region_data.h"
#include "support/banded_form.h"
#include "support/frame_regions.h"

namespace {

using platform::RegionRect;
using platform::memory::BandOp;
using platform::memory::BandRegion;

std::vector<std::vector<RegionRect>> FrameRects() {
    std::vector<std::vector<RegionRect>> frames;
    for (const auto& block :
         jellop_test::FrameRegionBlocks(JELLOP_SOURCE_DIR "/resources/regions")) {
        EXPECT_TRUE(platform::IsValidRegionData(block));
        frames.push_back(platform::RegionDataRects(block));
    }
    return frames;
}

// The pixels of `rects` inside `box`, row by row.
std::vector<bool> Paint(std::span<const RegionRect> rects, const RegionRect& box) {
    const std::int32_t width = box.right - box.left;
    std::vector<bool> pixels(static_cast<std::size_t>(width * (box.bottom - box.top)));
    for (const RegionRect& rect : rects) {
        for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
            for (std::int32_t x = rect.left; x < rect.right; ++x) {
                pixels[static_cast<std::size_t>((y - box.top) * width + (x - box.left))] = true;
            }
        }
    }
    return pixels;
}

TEST(BandRegionFrames, FramesComeBackUnchangedAndCombineToTheirPixels) {
    const std::vector<std::vector<RegionRect>> frames = FrameRects();
    ASSERT_EQ(frames.size(), 21u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << i);
        const std::vector<RegionRect>& rectsA = frames[i];
        const std::vector<RegionRect>& rectsB = frames[(i + 1) % frames.size()];
        const BandRegion a = BandRegion::FromRects(rectsA);
        const BandRegion b = BandRegion::FromRects(rectsB);
        ASSERT_EQ(jellop_test::BandedFormFault(rectsA), "");
        ASSERT_TRUE(std::ranges::equal(a.Rects(), rectsA));

        const RegionRect box = platform::BoundingBox(
            std::vector<RegionRect>{platform::BoundingBox(rectsA), platform::BoundingBox(rectsB)});
        const std::vector<bool> pixelsA = Paint(rectsA, box);
        const std::vector<bool> pixelsB = Paint(rectsB, box);
        const struct {
            BandOp op;
            std::function<bool(bool, bool)> keeps;
        } ops[] = {{BandOp::Union, std::logical_or<>()},
                   {BandOp::Intersect, std::logical_and<>()},
                   {BandOp::Subtract, [](bool p, bool q) { return p && !q; }},
                   {BandOp::Xor, std::not_equal_to<>()}};
        for (const auto& [op, keeps] : ops) {
            SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(op));
            const BandRegion result = BandRegion::Combine(a, b, op);
            EXPECT_EQ(jellop_test::BandedFormFault(result.Rects()), "");
            std::vector<bool> expected(pixelsA.size());
            for (std::size_t p = 0; p < expected.size(); ++p) {
                expected[p] = keeps(pixelsA[p], pixelsB[p]);
            }
            EXPECT_EQ(Paint(result.Rects(), box), expected);
        }
    }
}

} // namespace
