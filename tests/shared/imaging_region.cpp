// cDIBSectionRegion on the backend the test program runs on: the same cases and expectations
// on the fake platform and on real GDI under Wine.
#include <gtest/gtest.h>

#include <functional>

#include "gdi/resources.h"
#include "imaging/cDIBSectionRegion.h"
#include "platform/window.h"
#include "platform/window_region.h"
#include "runtime/error.h"
#include "runtime/resources.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"
#include "win32/testres/testres_blocks.h"

namespace {

using backend::WindowShape;
using imaging::cDIBSectionRegion;
using imaging_test::ParseRegionData;
using imaging_test::Rect;

class RegionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend::Reset();
        before_ = backend::LiveObjects();
    }
    void TearDown() override {
        windows_.clear();
        EXPECT_EQ(backend::LiveObjects(), before_) << "platform objects leaked or lost";
        EXPECT_EQ(backend::PlatformMisuses(), std::vector<std::string>{});
    }

    platform::WindowHandle NewWindow() {
        windows_.push_back(platform::CreateFormWindow("region test", 10, 10, 100, 80));
        return windows_.back().get();
    }

    // The window's shape as rectangles; fails the test when it has none.
    static std::vector<Rect> ShapeOf(platform::WindowHandle window) {
        std::optional<std::vector<std::byte>> shape = WindowShape(window);
        EXPECT_TRUE(shape.has_value()) << "the window has no shape";
        return shape ? ParseRegionData(*shape).rects : std::vector<Rect>{};
    }

    std::vector<platform::Window> windows_;

  private:
    backend::LiveObjectCounts before_;
};

// Runs `call`, which must raise error `number` with `message` and the class's source.
void ExpectRegionError(const std::function<void()>& call, std::int32_t number,
                       const std::string& message) {
    try {
        call();
        ADD_FAILURE() << "no error raised";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), number);
        EXPECT_EQ(error.Message(), message);
        EXPECT_EQ(error.Source(), runtime::AppTitle() + ".cDIBSectionRegion");
    }
}

const std::vector<Rect> kTwoBands = {{0, 0, 4, 4}, {6, 0, 10, 4}, {0, 4, 10, 8}};

TEST_F(RegionTest, Frame101FromTheOwnModuleGivesExactlyItsStoredRectangles) {
    std::vector<std::byte> stored =
        imaging_test::ReadFileBytes(backend::SourcePath("resources/regions/101.rgn"));
    ASSERT_EQ(stored.size(), 32u + 16u * 24u) << "region 101 could not be read";

    cDIBSectionRegion region;
    EXPECT_TRUE(region.LoadFromResource(101, ""));
    EXPECT_EQ(region.AppliedToCount(), 0) << "a load gives the region to no window";
    platform::WindowHandle window = NewWindow();
    region.Applied(window, true);

    std::optional<std::vector<std::byte>> shape = WindowShape(window);
    ASSERT_TRUE(shape.has_value());
    imaging_test::RegionData data = ParseRegionData(*shape);
    EXPECT_EQ(data.dwSize, 32u);
    EXPECT_EQ(data.iType, 1u);
    EXPECT_EQ(data.nCount, 24u);
    EXPECT_EQ(data.nRgnSize, 24u * 16u);
    EXPECT_EQ(data.rects, ParseRegionData(stored).rects);
}

// The frame's shape reaches every edge of its 37 x 36 bitmap, so the platform reports the
// bitmap's rectangle as the bounds and the window's shape lines up with the picture.
TEST_F(RegionTest, Frame101SpansItsWholeBitmap) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    platform::WindowHandle window = NewWindow();
    region.Applied(window, true);
    std::optional<std::vector<std::byte>> shape = WindowShape(window);
    ASSERT_TRUE(shape.has_value());
    EXPECT_EQ(ParseRegionData(*shape).bound, (Rect{0, 0, 37, 36}));
    EXPECT_EQ(*shape, imaging_test::ReadFileBytes(backend::SourcePath("resources/regions/101.rgn")))
        << "the stored block is not the one the platform gives for its own rectangles";
}

TEST_F(RegionTest, AMissingOwnResourceRaisesTheResourceErrorAndKeepsTheShape) {
    cDIBSectionRegion region;
    platform::WindowHandle window = NewWindow();
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    region.Applied(window, true);
    std::optional<std::vector<std::byte>> before = WindowShape(window);

    try {
        region.LoadFromResource(100, "");
        ADD_FAILURE() << "no error for a missing resource";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), platform::kErrResourceNotFound);
        EXPECT_EQ(error.Message(), "Resource with identifier '100' not found");
        EXPECT_EQ(error.Source(), runtime::AppTitle());
    }
    EXPECT_EQ(WindowShape(window), before);
    EXPECT_EQ(region.AppliedToCount(), 1);
    EXPECT_TRUE(region.Applied(window));

    // The object still holds region 101: a window applied now gets it too.
    platform::WindowHandle other = NewWindow();
    region.Applied(other, true);
    EXPECT_EQ(WindowShape(other), before);
}

// Resource ids are 16-bit: a larger number must not wrap round to another resource (65637
// would be taken for 101).
TEST_F(RegionTest, IdsOutsideSixteenBitsNameNoResource) {
    cDIBSectionRegion region;
    for (std::int32_t id : {65536 + 101, -101, 0}) {
        try {
            region.LoadFromResource(id, "");
            ADD_FAILURE() << id << " was found";
        } catch (const runtime::Error& error) {
            EXPECT_EQ(error.Number(), platform::kErrResourceNotFound) << id;
        }
        EXPECT_THROW(runtime::LoadResPicture(id), runtime::Error) << id;
    }
    ExpectRegionError(
        [&] { region.LoadFromResource(65536 + TESTRES_ID_TWO_BANDS, backend::OtherModulePath()); },
        imaging::kErrResourceNotFound, "Resource with ID 65836 could not be found");
    EXPECT_EQ(backend::OpenModuleCount(backend::OtherModulePath()), 0);
}

TEST_F(RegionTest, RegionsFromAnotherModuleById_NumericTextAndName) {
    cDIBSectionRegion region;
    platform::WindowHandle window = NewWindow();

    EXPECT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    region.Applied(window, true);
    std::optional<std::vector<std::byte>> shape = WindowShape(window);
    ASSERT_TRUE(shape.has_value());
    EXPECT_EQ(*shape, imaging_test::BlockBytes({TESTRES_TWO_BANDS}));

    EXPECT_TRUE(
        region.LoadFromResource(std::string(TESTRES_NAME_SINGLE), backend::OtherModulePath()));
    region.Applied(window, true);
    EXPECT_EQ(ShapeOf(window), (std::vector<Rect>{{1, 2, 5, 7}}));

    // A text that reads as a number names the integer id.
    EXPECT_TRUE(region.LoadFromResource("300", backend::OtherModulePath()));
    region.Applied(window, true);
    EXPECT_EQ(ShapeOf(window), kTwoBands);

    EXPECT_EQ(backend::OpenModuleCount(backend::OtherModulePath()), 0)
        << "every load must free the module";
}

TEST_F(RegionTest, AModulePathThatNamesNothingRaises26013) {
    cDIBSectionRegion region;
    platform::WindowHandle window = NewWindow();
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    region.Applied(window, true);
    ExpectRegionError([&] { region.LoadFromResource(101, backend::MissingModulePath()); },
                      imaging::kErrCantOpenDll, "Can't open DLL for Resource Access");
    EXPECT_EQ(ParseRegionData(*WindowShape(window)).nCount, 24u);
    EXPECT_EQ(region.AppliedToCount(), 1);
}

TEST_F(RegionTest, AnIdTheModuleLacksRaises26014AndFreesTheModule) {
    cDIBSectionRegion region;
    platform::WindowHandle window = NewWindow();
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    region.Applied(window, true);

    ExpectRegionError([&] { region.LoadFromResource(7, backend::OtherModulePath()); },
                      imaging::kErrResourceNotFound, "Resource with ID 7 could not be found");
    ExpectRegionError([&] { region.LoadFromResource("NOPE", backend::OtherModulePath()); },
                      imaging::kErrResourceNotFound, "Resource with ID NOPE could not be found");
    EXPECT_EQ(backend::OpenModuleCount(backend::OtherModulePath()), 0);
    EXPECT_EQ(ParseRegionData(*WindowShape(window)).nCount, 24u) << "the shape must stay";
    EXPECT_EQ(region.AppliedToCount(), 1);
}

TEST_F(RegionTest, BlocksThePlatformRejectsLeaveNoRegionAndUnshapedWindows) {
    for (std::int32_t id : {TESTRES_ID_WRONG_TYPE, TESTRES_ID_TRUNCATED}) {
        cDIBSectionRegion region;
        platform::WindowHandle window = NewWindow();
        ASSERT_TRUE(region.LoadFromResource(101, ""));
        region.Applied(window, true);

        EXPECT_FALSE(region.LoadFromResource(id, backend::OtherModulePath())) << id;
        EXPECT_FALSE(WindowShape(window).has_value()) << "the old region is gone";
        EXPECT_EQ(region.AppliedToCount(), 0);

        // No region held: applying now takes a window's shape away but lists it.
        platform::WindowHandle other = NewWindow();
        platform::SetWindowRgn(other, platform::CreateRectRgn(0, 0, 5, 5), true);
        region.Applied(other, true);
        EXPECT_FALSE(WindowShape(other).has_value());
        EXPECT_TRUE(region.Applied(other));
    }
    EXPECT_EQ(backend::OpenModuleCount(backend::OtherModulePath()), 0);
}

TEST_F(RegionTest, TheWindowListKeepsOrderAndGrowsAndShrinksByOne) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    platform::WindowHandle a = NewWindow(), b = NewWindow(), c = NewWindow();
    region.Applied(a, true);
    region.Applied(b, true);
    region.Applied(c, true);
    EXPECT_EQ(region.AppliedToCount(), 3);

    region.Applied(b, false);
    EXPECT_FALSE(WindowShape(b).has_value());
    EXPECT_EQ(region.AppliedToCount(), 2);
    EXPECT_EQ(region.hWndForIndex(1), a);
    EXPECT_EQ(region.hWndForIndex(2), c);
    EXPECT_THROW(region.hWndForIndex(3), runtime::Error) << "the storage shrank to 2";
    EXPECT_TRUE(region.Applied(a));
    EXPECT_FALSE(region.Applied(b));
    EXPECT_EQ(ShapeOf(c), kTwoBands);

    region.Applied(a, false);
    EXPECT_EQ(region.hWndForIndex(1), c);
    region.Applied(c, false);
    EXPECT_EQ(region.AppliedToCount(), 0);
    for (std::int32_t index : {1, 0, -1}) {
        try {
            region.hWndForIndex(index);
            ADD_FAILURE() << "index " << index << " of a released list";
        } catch (const runtime::Error& error) {
            EXPECT_EQ(error.Number(), 9);
        }
    }
}

TEST_F(RegionTest, ApplyingTwiceListsOnceAndGivesTheRegionBothTimes) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    platform::WindowHandle window = NewWindow();
    region.Applied(window, true);
    platform::SetWindowRgn(window, platform::Region{}, true); // someone else clears it
    region.Applied(window, true);
    EXPECT_EQ(region.AppliedToCount(), 1);
    EXPECT_EQ(ShapeOf(window), kTwoBands);
    EXPECT_THROW(region.hWndForIndex(2), runtime::Error);
}

TEST_F(RegionTest, UnapplyingAnUnlistedWindowClearsItsShapeOnly) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    platform::WindowHandle listed = NewWindow(), stranger = NewWindow();
    region.Applied(listed, true);
    platform::SetWindowRgn(stranger, platform::CreateRectRgn(0, 0, 3, 3), true);

    region.Applied(stranger, false);
    EXPECT_FALSE(WindowShape(stranger).has_value());
    EXPECT_EQ(region.AppliedToCount(), 1);
    EXPECT_EQ(region.hWndForIndex(1), listed);
    EXPECT_EQ(ShapeOf(listed), kTwoBands);
}

TEST_F(RegionTest, DestroyDetachesEveryWindowAndKeepsTheStorageLength) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    platform::WindowHandle a = NewWindow(), b = NewWindow(), c = NewWindow();
    for (platform::WindowHandle window : {a, b, c}) {
        region.Applied(window, true);
    }
    region.Destroy();
    EXPECT_EQ(region.AppliedToCount(), 0);
    for (platform::WindowHandle window : {a, b, c}) {
        EXPECT_FALSE(region.Applied(window));
        EXPECT_FALSE(WindowShape(window).has_value());
    }
    for (std::int32_t index = 1; index <= 3; ++index) {
        EXPECT_TRUE(platform::IsNull(region.hWndForIndex(index))) << index;
    }
    EXPECT_THROW(region.hWndForIndex(4), runtime::Error);

    // The next newly listed window makes the storage one entry long again. No region is held,
    // so the window is listed without a shape.
    region.Applied(b, true);
    EXPECT_EQ(region.hWndForIndex(1), b);
    EXPECT_THROW(region.hWndForIndex(2), runtime::Error);
    EXPECT_FALSE(WindowShape(b).has_value());
}

TEST_F(RegionTest, ASuccessfulLoadDetachesTheListedWindows) {
    cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(101, ""));
    platform::WindowHandle a = NewWindow(), b = NewWindow();
    region.Applied(a, true);
    region.Applied(b, true);
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::OtherModulePath()));
    EXPECT_EQ(region.AppliedToCount(), 0);
    EXPECT_FALSE(WindowShape(a).has_value());
    EXPECT_FALSE(WindowShape(b).has_value());
    region.Applied(b, true);
    EXPECT_EQ(ShapeOf(b), kTwoBands);
    EXPECT_FALSE(WindowShape(a).has_value());
}

// Each window owns the shape it was given and the object owns its own region: windows that go
// away, reloads, Destroy and the object's end release every region exactly once.
TEST_F(RegionTest, EveryRegionIsReleasedExactlyOnce) {
    platform::WindowHandle kept = NewWindow();
    {
        cDIBSectionRegion region;
        ASSERT_TRUE(region.LoadFromResource(101, ""));
        platform::Window shortLived = platform::CreateFormWindow("short", 0, 0, 50, 50);
        region.Applied(shortLived.get(), true);
        region.Applied(kept, true);
        shortLived.reset(); // the window releases its shape with itself

        // The object's region is untouched by that: a new window still gets all of it.
        platform::WindowHandle late = NewWindow();
        region.Applied(late, true);
        EXPECT_EQ(ShapeOf(late).size(), 24u);
        EXPECT_EQ(ShapeOf(kept).size(), 24u);

        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(region.LoadFromResource(i % 2 ? 101 : 103, ""));
            region.Applied(kept, true);
            region.Applied(late, true);
        }
        region.Applied(late, false);
        region.Destroy();
        EXPECT_FALSE(WindowShape(kept).has_value());
        ASSERT_TRUE(region.LoadFromResource(104, ""));
        region.Applied(kept, true);
    } // the object's end takes the shape off `kept`
    EXPECT_FALSE(WindowShape(kept).has_value());
    // The fixture checks that no region is left over and (on the fake) that nothing was
    // released twice.
}

} // namespace
