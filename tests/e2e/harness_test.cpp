// The harness itself, against a Wine program whose place and shape are known.
#include <gtest/gtest.h>

#include "harness.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace e2e {
namespace {

// The desktop the environment script says it made is the one the tests run on: a managed
// desktop whose compositor failed to start would let every opacity test skip and pass.
TEST(Harness, RunsOnTheDesktopItWasAskedFor) {
    const char* asked = std::getenv("JELLOP_DESKTOP");
    if (!asked || !*asked) {
        GTEST_SKIP() << "JELLOP_DESKTOP is not set: no desktop was asked for";
    }
    Desktop desktop;
    bool managed = std::string(asked) == "managed";
    EXPECT_EQ(desktop.WindowManagerRuns(), managed) << "desktop " << asked;
    EXPECT_EQ(desktop.CompositorRuns(), managed) << "desktop " << asked;
}

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

    // The pixels inside the shape become the probe's black background once it has painted.
    auto black = [&] {
        for (const Pixel& pixel : desktop.Capture({100, 120, 10, 30})) {
            if (pixel.red + pixel.green + pixel.blue != 0) {
                return false;
            }
        }
        return true;
    };
    bool painted = black();
    for (int i = 0; i < 100 && !painted; ++i) {
        std::this_thread::sleep_for(50ms);
        painted = black();
    }
    EXPECT_TRUE(painted);

    probe->Kill();
    EXPECT_FALSE(probe->Running());
    for (int i = 0; i < 100 && !desktop.WindowsNamed("JellopShapeProbe").empty(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(desktop.WindowsNamed("JellopShapeProbe").empty());
}

} // namespace
} // namespace e2e
