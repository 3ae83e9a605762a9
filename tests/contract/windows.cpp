// Backend contract: what a window reports back: the shape it was given, the place the user
// moved it to, and the opacity it shows while layered.
#include <cstddef>
#include <optional>
#include <vector>

#include "contract/contract_fixture.h"
#include "platform/input.h"
#include "platform/layered.h"
#include "platform/window_region.h"
#include "shared/backend.h"

namespace {

using contract_test::BackendContract;

// A region of the rectangles given, each {left, top, right, bottom}.
platform::Region RegionOf(std::initializer_list<platform::PixelRect> rects) {
    platform::Region region = platform::CreateRectRgn(0, 0, 0, 0);
    for (const platform::PixelRect& rect : rects) {
        platform::Region part =
            platform::CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
        platform::CombineRgn(region.get(), region.get(), part.get(), platform::CombineMode::Or);
    }
    return region;
}

TEST_F(BackendContract, AShapeSetIsTheShapeReadBack) {
    platform::Window window = ShownWindow();
    EXPECT_EQ(backend::WindowShape(window.get()), std::nullopt) << "unshaped at first";

    // Two bands of odd widths: the shape holds them as they are, right and bottom excluded.
    platform::Region first = RegionOf({{0, 0, 7, 3}, {2, 3, 33, 9}});
    std::vector<std::byte> firstBlock = platform::RegionDataBytes(first.get());
    ASSERT_TRUE(platform::SetWindowRgn(window.get(), std::move(first), true));
    EXPECT_EQ(backend::WindowShape(window.get()), firstBlock);

    // A second shape replaces the first; it is not added to it.
    platform::Region second = RegionOf({{10, 10, 11, 40}});
    std::vector<std::byte> secondBlock = platform::RegionDataBytes(second.get());
    ASSERT_TRUE(platform::SetWindowRgn(window.get(), std::move(second), true));
    EXPECT_EQ(backend::WindowShape(window.get()), secondBlock);

    ASSERT_TRUE(platform::SetWindowRgn(window.get(), platform::Region(), true));
    EXPECT_EQ(backend::WindowShape(window.get()), std::nullopt) << "the shape taken away";
}

TEST_F(BackendContract, AWindowMovedByTheUserReportsItsNewPositionAtOnce) {
    platform::Window window = ShownWindow();
    ASSERT_EQ(platform::GetWindowRect(window.get()), (platform::PixelRect{200, 150, 260, 190}));
    contract_user::DragWindowBy(window.get(), 200, 90, -40);
    platform::BeginSystemDrag(window.get());
    EXPECT_EQ(platform::GetWindowRect(window.get()), (platform::PixelRect{290, 110, 350, 150}));
}

// An opacity holds only while the window is layered: refused before, and forgotten (the window
// opaque) once the window stops being layered, also when it is layered again.
TEST_F(BackendContract, AnOpacityHoldsOnlyWhileTheWindowIsLayered) {
    platform::Window window = ShownWindow();
    EXPECT_FALSE(platform::SetOpacity(window.get(), 100, std::nullopt))
        << "refused while not layered";
    EXPECT_EQ(backend::WindowOpacity(window.get()), 255);

    ASSERT_TRUE(platform::SetLayered(window.get(), true));
    ASSERT_TRUE(platform::SetLayered(window.get(), true)) << "layered twice is layered";
    ASSERT_TRUE(platform::SetOpacity(window.get(), 100, std::nullopt));
    EXPECT_EQ(backend::WindowOpacity(window.get()), 100);

    ASSERT_TRUE(platform::SetLayered(window.get(), false));
    EXPECT_EQ(backend::WindowOpacity(window.get()), 255) << "opaque once not layered";
    ASSERT_TRUE(platform::SetLayered(window.get(), true));
    EXPECT_EQ(backend::WindowOpacity(window.get()), 255) << "the old opacity is forgotten";
}

} // namespace
