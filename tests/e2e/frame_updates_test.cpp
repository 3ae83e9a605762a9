// How the walking pet's frames reach the X server: the configure (size and position) and shape
// events its window gets per walk tick, counted from outside while it walks towards the
// pointer. Each frame should be one configure and one shape, never a moment without a shape.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

struct EventCounts {
    int configures = 0;
    int shapes = 0;
    int unshaped = 0; // shape events that leave the window without a bounding shape
    int ticks = 0;    // walk ticks in the time watched, at 100 ms each
};

// Counts the events of `window` over `duration`, through a display connection of its own.
EventCounts CountEvents(::Window window, std::chrono::milliseconds duration) {
    EventCounts counts;
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        ADD_FAILURE() << "no display";
        return counts;
    }
    int shapeEvent = 0, shapeError = 0;
    if (!XShapeQueryExtension(display, &shapeEvent, &shapeError)) {
        ADD_FAILURE() << "no Shape extension";
        XCloseDisplay(display);
        return counts;
    }
    XSelectInput(display, window, StructureNotifyMask);
    XShapeSelectInput(display, window, ShapeNotifyMask);
    XSync(display, False);
    auto start = Clock::now();
    while (Clock::now() - start < duration) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ConfigureNotify) {
                ++counts.configures;
            } else if (event.type == shapeEvent + ShapeNotify) {
                const auto& shape = reinterpret_cast<const XShapeEvent&>(event);
                if (shape.kind == ShapeBounding) {
                    ++counts.shapes;
                    counts.unshaped += shape.shaped ? 0 : 1;
                }
            }
        }
        std::this_thread::sleep_for(5ms);
    }
    counts.ticks = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 100);
    XCloseDisplay(display);
    return counts;
}

TEST(FrameUpdates, EachWalkTickIsOneConfigureAndOneShapeOfTheWindow) {
    Desktop desktop;
    desktop.MovePointer(446, 338);
    PetProcess pet;
    std::optional<::Window> window = desktop.FindWindow("Form1");
    ASSERT_TRUE(window) << "the pet window never appeared";
    std::this_thread::sleep_for(800ms); // past the fade-in: the walk runs
    // Far to the lower right: every tick steps and changes the frame size.
    desktop.MovePointer(1200, 1000);
    std::this_thread::sleep_for(300ms);

    EventCounts counts = CountEvents(*window, 3s);
    std::printf("%d ticks: %d configure, %d shape events (%d unshaped)\n", counts.ticks,
                counts.configures, counts.shapes, counts.unshaped);
    ASSERT_GE(counts.ticks, 29);
    // One tick more than counted may fall into the time watched.
    EXPECT_GE(counts.configures, counts.ticks - 1) << "the pet walks";
    EXPECT_LE(counts.configures, counts.ticks + 1) << "one configure per frame";
    EXPECT_LE(counts.shapes, counts.ticks + 1) << "one shape per frame";
    EXPECT_EQ(counts.unshaped, 0) << "the old shape is never taken away before the new comes";
    EXPECT_TRUE(pet.Running());
}

} // namespace
} // namespace e2e
