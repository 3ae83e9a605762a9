// Broken region-data blocks on the fake platform (built with AddressSanitizer): every one is
// refused where the real platform refuses it, nothing reads outside the bytes given, and the
// region object reports each failure the way it should.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "controls/live_objects.h"
#include "controls/resources.h"
#include "gdi/region.h"
#include "gdi/resources.h"
#include "imaging/cDIBSectionRegion.h"
#include "leak_checked_test.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"

namespace {

using imaging_test::BlockBytes;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct BlockCase {
    const char* what;
    std::vector<std::byte> bytes;
    bool valid;
};

std::vector<std::byte> Truncated(std::vector<std::byte> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

std::vector<BlockCase> Cases() {
    const std::vector<std::byte> good =
        BlockBytes({32, 1, 2, 32, 0, 0, 5, 4, 0, 0, 5, 2, 1, 2, 4, 4});
    return {
        {"a good block", good, true},
        {"no bytes", {}, false},
        {"a header cut short", Truncated(good, 31), false},
        {"the last rectangle cut short", Truncated(good, good.size() - 1), false},
        {"only the header", Truncated(good, 32), false},
        {"dwSize 0", BlockBytes({0, 1, 0, 0, 0, 0, 0, 0}), false},
        {"dwSize 31", BlockBytes({31, 1, 0, 0, 0, 0, 0, 0}), false},
        {"dwSize 48", BlockBytes({48, 1, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1}), false},
        {"iType 0", BlockBytes({32, 0, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1}), false},
        {"iType 2", BlockBytes({32, 2, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1}), false},
        {"nCount 0x10000000 with one rectangle",
         BlockBytes({32, 1, 0x10000000, 16, 0, 0, 1, 1, 0, 0, 1, 1}), false},
        // 32 + 16 * 0x0FFFFFFE is exactly 2^32: wraps to 0 in 32-bit arithmetic.
        {"a size that wraps 32 bits to 0", BlockBytes({32, 1, 0x0FFFFFFE, 0, 0, 0, 0, 0}), false},
        {"a size that wraps 32 bits to 16",
         BlockBytes({32, 1, 0x0FFFFFFF, 0, 0, 0, 0, 0, 0, 0, 1, 1}), false},
        {"nCount -1", BlockBytes({32, 1, -1, -16, 0, 0, 0, 0, 0, 0, 1, 1}), false},
        {"nCount -2147483648", BlockBytes({32, 1, kMin, 0, 0, 0, 0, 0}), false},
        {"no rectangles", BlockBytes({32, 1, 0, 0, 0, 0, 0, 0}), true},
        {"nRgnSize not matching", BlockBytes({32, 1, 1, 999, 0, 0, 1, 1, 0, 0, 1, 1}), true},
        {"bytes after the last rectangle", BlockBytes({32, 1, 1, 16, 0, 0, 1, 1, 0, 0, 1, 1, 7, 7}),
         true},
        {"inverted and empty rectangles",
         BlockBytes({32, 1, 2, 32, 0, 0, 0, 0, 5, 5, 1, 1, 3, 3, 3, 9}), true},
        {"extreme coordinates",
         BlockBytes(
             {32, 1, 2, 32, kMin, kMin, kMax, kMax, kMin, kMin, kMax, kMax, kMin, 0, kMax, 1}),
         true},
    };
}

// Copies the bytes into memory of exactly their size, so a read past the end is caught.
std::unique_ptr<std::byte[]> Exact(const std::vector<std::byte>& bytes) {
    auto copy = std::make_unique<std::byte[]>(bytes.size());
    if (!bytes.empty()) {
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    }
    return copy;
}

// Every case must leave no platform object behind.
using RegionBlockTest = LeakCheckedTest;

TEST_F(RegionBlockTest, ThePlatformAcceptsExactlyTheWellFormedBlocks) {
    for (const BlockCase& c : Cases()) {
        auto exact = Exact(c.bytes);
        std::span<const std::byte> block(exact.get(), c.bytes.size());
        EXPECT_EQ(platform::IsValidRegionData(block), c.valid) << c.what;
        platform::Region region = platform::ExtCreateRegion(block);
        EXPECT_EQ(static_cast<bool>(region), c.valid) << c.what;
    }
}

TEST_F(RegionBlockTest, EachBrokenResourceMakesTheLoadReturnFalseAndLeavesNoRegion) {
    std::vector<platform::memory::ModuleResource> resources;
    std::vector<BlockCase> cases = Cases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        platform::memory::ModuleResource resource;
        resource.name = static_cast<std::int32_t>(1000 + i);
        resource.bytes = cases[i].bytes;
        resources.push_back(std::move(resource));
    }
    platform::memory::RegisterModule("C:\\Tests\\blocks.dll", std::move(resources));

    platform::Window window = platform::CreateFormWindow("blocks", 0, 0, 10, 10);
    imaging::cDIBSectionRegion region;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        ASSERT_TRUE(region.LoadFromResource(101, ""));
        region.Applied(window.get(), true);
        bool made =
            region.LoadFromResource(static_cast<std::int32_t>(1000 + i), "C:\\Tests\\blocks.dll");
        EXPECT_EQ(made, cases[i].valid) << cases[i].what;
        // Either way the windows lost the old region and the list is empty.
        EXPECT_EQ(region.AppliedToCount(), 0) << cases[i].what;
        EXPECT_FALSE(backend::WindowShape(window.get()).has_value()) << cases[i].what;
    }
    EXPECT_EQ(platform::memory::OpenModuleCount("C:\\Tests\\blocks.dll"), 0);
}

TEST_F(RegionBlockTest, OverlappingRectanglesComeBackAsTheirBandedUnion) {
    platform::Region region = platform::ExtCreateRegion(
        BlockBytes({32, 1, 3, 48, 0, 0, 0, 0, 0, 0, 4, 2, 2, 0, 6, 2, 0, 2, 6, 3}));
    ASSERT_TRUE(region);
    imaging_test::RegionData data =
        imaging_test::ParseRegionData(platform::RegionDataBytes(region.get()));
    EXPECT_EQ(data.rects, (std::vector<imaging_test::Rect>{{0, 0, 6, 3}}))
        << "overlapping rectangles and bands with the same spans merge";
    EXPECT_EQ(data.bound, (imaging_test::Rect{0, 0, 6, 3}));
}

TEST_F(RegionBlockTest,
       AResourceThatCannotBeLoadedRaises26014AndOneThatCannotBeLockedReturnsFalse) {
    platform::memory::ModuleResource unloadable, unlockable;
    unloadable.name = 5;
    unloadable.bytes = BlockBytes({32, 1, 0, 0, 0, 0, 0, 0});
    unloadable.loadFails = true;
    unlockable = unloadable;
    unlockable.name = std::string("Locked");
    unlockable.loadFails = false;
    unlockable.lockFails = true;
    platform::memory::RegisterModule("C:\\Tests\\odd.dll", {unloadable, unlockable});

    platform::Window window = platform::CreateFormWindow("odd", 0, 0, 10, 10);
    imaging::cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    region.Applied(window.get(), true);

    try {
        region.LoadFromResource(5, "C:\\Tests\\odd.dll");
        ADD_FAILURE() << "no error";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), 26014);
        EXPECT_EQ(error.Message(), "Cannot access data for resource with ID 5");
        EXPECT_EQ(error.Source(), "jellop.cDIBSectionRegion");
    }
    EXPECT_FALSE(region.LoadFromResource("Locked", "C:\\Tests\\odd.dll"));
    // Neither failure touched the held region or the windows.
    EXPECT_EQ(region.AppliedToCount(), 1);
    EXPECT_EQ(imaging_test::ParseRegionData(*backend::WindowShape(window.get())).nCount, 24u);
    EXPECT_EQ(platform::memory::OpenModuleCount("C:\\Tests\\odd.dll"), 0);
}

TEST_F(RegionBlockTest, NumericTextIdsAndNamesAreTold) {
    EXPECT_TRUE(platform::ResourceId(7).IsNumeric());
    EXPECT_TRUE(platform::ResourceId("101").IsNumeric());
    EXPECT_TRUE(platform::ResourceId(" -3 ").IsNumeric());
    EXPECT_FALSE(platform::ResourceId("SINGLE").IsNumeric());
    EXPECT_FALSE(platform::ResourceId("12a").IsNumeric());
    EXPECT_FALSE(platform::ResourceId("").IsNumeric());
    EXPECT_FALSE(platform::ResourceId("-").IsNumeric());
    EXPECT_EQ(platform::ResourceId(-12).Text(), "-12");

    // The names those ids become: "#" and the digits of an id of 1 to 65535, nothing else.
    EXPECT_EQ(platform::IntegerResourceName("#101"), 101);
    EXPECT_EQ(platform::IntegerResourceName("#65535"), 65535);
    for (const char* name : {"#0", "#65536", "#65637", "#-3", "#1a", "#", "101", "SINGLE"}) {
        EXPECT_FALSE(platform::IntegerResourceName(name).has_value()) << name;
    }
}

} // namespace
