// The desktop the tier runs on is the one the test command asked for, seen from outside: a
// managed desktop whose manager or compositor failed to start would otherwise let the managed
// desktop's tests skip and the bare desktop's run in their place. The backend's own test for a
// manager gives the same answer.
#include "x11/x11_test.h"

#include "platform/x11/xlib/ewmh.h"

namespace x11test {
namespace {

TEST(X11Desktop, RunsOnTheDesktopItWasAskedFor) {
    std::optional<bool> managed = AskedForManagedDesktop();
    if (!managed) {
        GTEST_SKIP() << "JELLOP_DESKTOP is not set: no desktop was asked for";
    }
    Observer observer;
    EXPECT_EQ(observer.WindowManagerRuns(), *managed);
    EXPECT_EQ(observer.CompositorRuns(), *managed);
    auto connection = platform::x11::Connection::Open();
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(platform::x11::WindowManagerRuns(*connection), *managed)
        << "the backend's own test for a window manager";
}

} // namespace
} // namespace x11test
