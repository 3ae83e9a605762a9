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
    int frames = 0;   // frames the pet showed: changes of the window's place or size seen
    int ticks = 0;    // walk ticks in the time watched, at 100 ms each
};

struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Placement&) const = default;
};

// Where the window is on the screen and its size, as another program sees it now (through a
// manager's frame too).
Placement PlacementOf(::Display* display, ::Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

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
    Placement shown = PlacementOf(display, window);
    auto start = Clock::now();
    auto lastChange = start - 1s;
    while (Clock::now() - start < duration) {
        // Looked at every 5 ms, against walk ticks 100 ms apart: every frame is seen. A frame's
        // size and place may reach the screen as two changes a moment apart (or a manager's
        // frame may follow): changes less than 30 ms after the last are the same frame.
        Placement now = PlacementOf(display, window);
        if (now != shown) {
            counts.frames += Clock::now() - lastChange > 30ms ? 1 : 0;
            lastChange = Clock::now();
            shown = now;
        }
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
    // Far to the lower right: once the fade-in is over, every tick steps and changes the frame
    // size. Counting starts when the walk has begun (the window has moved), however long a
    // loaded machine takes for the fade-in.
    Geometry start = desktop.GeometryOf(*window);
    desktop.MovePointer(1200, 1000);
    auto deadline = Clock::now() + 20s;
    while (desktop.GeometryOf(*window).x == start.x && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_NE(desktop.GeometryOf(*window).x, start.x) << "the pet never started to walk";

    EventCounts counts = CountEvents(*window, 3s);
    std::printf("%d ticks, %d frames seen: %d configure, %d shape events (%d unshaped)\n",
                counts.ticks, counts.frames, counts.configures, counts.shapes, counts.unshaped);
    ASSERT_GE(counts.ticks, 29);
    // Every walking frame has a shape of its own, so each frame the pet showed (each change of
    // its place and size seen from outside) comes with one shape event. A loaded machine runs
    // fewer ticks than the time allows, so shapes and configures are held to the frames
    // actually shown, not to the clock; a frame may fall on either edge of the time watched.
    // (Two busy loops on two cores leave about 24 frames of 30 ticks.)
    EXPECT_GE(counts.frames * 3, counts.ticks) << "the pet walks on: a frame every third tick";
    EXPECT_GE(counts.shapes, counts.frames - 1) << "a shape for every frame shown";
    EXPECT_LE(counts.shapes, counts.ticks + 1) << "one shape per frame";
    EXPECT_LE(counts.configures, counts.shapes + 1) << "one configure per frame";
    EXPECT_EQ(counts.unshaped, 0) << "the old shape is never taken away before the new comes";
    EXPECT_TRUE(pet.Running());
}

} // namespace
} // namespace e2e
