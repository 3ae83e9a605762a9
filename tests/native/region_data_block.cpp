// The one region-data block encoder and decoder (gdi/region_data.h), read back with the
// tests' own reader: header fields, bounds, and rectangles as given, negative ones included.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "gdi/region_data.h"
#include "shared/imaging_support.h"

namespace {

using imaging_test::ParseRegionData;
using imaging_test::Rect;
using platform::RegionRect;

std::span<const std::byte> Bytes(const std::vector<std::uint8_t>& block) {
    return std::as_bytes(std::span(block));
}

TEST(RegionDataBlock, HoldsTheRectanglesAsGivenUnderTheirBoundingBox) {
    const std::vector<RegionRect> rects = {
        {-5, -3, 2, 1}, {4, -3, 9, 1}, {0, 1, 12, 7}, {3, 7, 4, 20}};
    const std::vector<std::uint8_t> block = platform::RegionDataBlock(rects);

    ASSERT_EQ(block.size(), 32u + 16 * rects.size());
    imaging_test::RegionData data = ParseRegionData(Bytes(block));
    EXPECT_EQ(data.dwSize, 32u);
    EXPECT_EQ(data.iType, 1u);
    EXPECT_EQ(data.nCount, 4u);
    EXPECT_EQ(data.nRgnSize, 64u);
    EXPECT_EQ(data.bound, (Rect{-5, -3, 12, 20}));
    EXPECT_EQ(data.rects,
              (std::vector<Rect>{{-5, -3, 2, 1}, {4, -3, 9, 1}, {0, 1, 12, 7}, {3, 7, 4, 20}}));

    ASSERT_TRUE(platform::IsValidRegionData(Bytes(block)));
    EXPECT_EQ(platform::RegionDataRects(Bytes(block)), rects);
}

TEST(RegionDataBlock, NoRectanglesMakeAHeaderOnlyBlockBoundedAtTheOrigin) {
    const std::vector<std::uint8_t> block = platform::RegionDataBlock({});
    ASSERT_EQ(block.size(), 32u);
    imaging_test::RegionData data = ParseRegionData(Bytes(block));
    EXPECT_EQ(data.nCount, 0u);
    EXPECT_EQ(data.nRgnSize, 0u);
    EXPECT_EQ(data.bound, (Rect{0, 0, 0, 0}));
    EXPECT_TRUE(platform::IsValidRegionData(Bytes(block)));
    EXPECT_TRUE(platform::RegionDataRects(Bytes(block)).empty());
}

} // namespace
