// The harness itself, against a Wine program whose place and shape are known.
#include <gtest/gtest.h>

#include "harness.h"

#include <memory>
#include <thread>

namespace e2e {
namespace {

TEST(Harness, SeesAWineWindowsPlaceShapeAndEnd) {
    Desktop desktop;
    auto probe = std::make_unique<WineProcess>(WindowsBuildPath("tests/win32/shapeprobe.exe"));
    auto window = desktop.FindWindow("JellopShapeProbe");
    ASSERT_TRUE(window) << "the probe's window never appeared";

    EXPECT_EQ(desktop.GeometryOf(*window), (Geometry{100, 120, 40, 30}));
    EXPECT_EQ(
        desktop.ShapeOf(*window),
        (std::vector<Rect>{{0, 0, 10, 10}, {0, 10, 10, 20}, {20, 10, 40, 20}, {0, 20, 10, 30}}));
    EXPECT_TRUE(desktop.SkipsTaskbar(*window));

    // The pixels inside the shape are the probe's black background.
    auto pixels = desktop.Capture({100, 120, 10, 30});
    for (const Pixel& pixel : pixels) {
        ASSERT_EQ(pixel.red + pixel.green + pixel.blue, 0);
    }

    probe->Kill();
    EXPECT_FALSE(probe->Running());
    for (int i = 0; i < 100 && !desktop.WindowsNamed("JellopShapeProbe").empty(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(desktop.WindowsNamed("JellopShapeProbe").empty());
}

} // namespace
} // namespace e2e
