// The pet on a desktop of two monitors (scripts/env.sh's jellop_start --two-monitors): the
// primary, 1280x800, on the right at x=1280 of the X screen, a second one of the same size on
// its left. Both programs count places from the primary's top-left corner, as Windows does
// (the left monitor has negative coordinates), and pan the move sound by the primary's width:
// pan = (left - width / 2) / width * 10000 in hundredths of a decibel, the opposite side turned
// down by |pan| / 100 dB. Measured on the sink while the pointer rests on the pet's centre.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "harness.h"
#include "harness_pet.h"
#include "sound_capture.h"

// After the tests' headers: Xlib's macros (None, Bool) clash with googletest's names.
#include <X11/extensions/Xrandr.h>

namespace e2e {
namespace {

struct Area {
    int x, y, width, height;
};

// The primary monitor as the X server has it now, in root coordinates.
std::optional<Area> PrimaryMonitor() {
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return std::nullopt;
    }
    std::optional<Area> primary;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; monitors && i < count; ++i) {
        if (monitors[i].primary) {
            primary = Area{monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
        }
    }
    if (monitors) {
        XRRFreeMonitors(monitors);
    }
    XCloseDisplay(display);
    return primary;
}

// Runs xrandr with `arguments`; whether it succeeded.
bool Xrandr(const std::string& arguments) {
    return std::system(("xrandr " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// The layout of tests/e2e/desktop/xorg-two-monitors.conf, which each test leaves as it found.
const char* const kConfiguredLayout = "--output DUMMY0 --mode 1280x800 --pos 1280x0 --primary "
                                      "--output DUMMY1 --mode 1280x800 --pos 0x0";

// The pan the program gives a window whose left edge is `left` program pixels from the
// primary's left edge, on a primary `width` pixels wide.
double ExpectedPan(int left, int width) {
    return (left - width / 2.0) / width * 10000;
}

class TwoMonitors : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* layout = std::getenv("JELLOP_DISPLAY_LAYOUT");
        if (!layout || std::string(layout) != "two-monitors") {
            GTEST_SKIP() << "needs the two-monitor display: scripts/env.sh's jellop_start "
                            "--two-monitors (JELLOP_DISPLAY_LAYOUT=two-monitors)";
        }
        auto primary = PrimaryMonitor();
        ASSERT_TRUE(primary) << "RandR names no primary monitor";
        ASSERT_EQ(primary->x, 1280) << "the primary is not where the configuration puts it";
        ASSERT_EQ(primary->width, 1280);
        primary_ = *primary;
        auto window = LaunchPet(desktop_, pet_, primary_.x + 446, primary_.y + 338);
        ASSERT_TRUE(window) << "the pet window never appeared";
        window_ = *window;
    }

    void TearDown() override {
        pet_.reset();
        if (!IsSkipped()) {
            EXPECT_TRUE(Xrandr(kConfiguredLayout)) << "the layout could not be restored";
        }
    }

    Geometry Place() { return desktop_.GeometryOf(window_); }

    void PointAtCentre() { e2e::PointAtCentre(desktop_, window_); }

    void WaitUntilWalking() {
        ASSERT_TRUE(WalkBegins(desktop_, window_)) << "the pet never started to walk";
    }

    // Waits until the pet rests under the pointer (the pointer kept on its centre).
    void WaitUntilResting() {
        ASSERT_TRUE(WaitUntil(
            [&] {
                Geometry g = Place();
                PointAtCentre();
                std::this_thread::sleep_for(400ms);
                Geometry now = Place();
                return now.x == g.x && now.y == g.y;
            },
            20s))
            << "the pet did not come to rest under the pointer";
    }

    // The pan heard over `duration`: the median over the move sounds of the left channel's
    // level less the right one's, in hundredths of a decibel, negative when the right side is
    // turned down (as the pan's sign has it). Empty when fewer than three move sounds were heard.
    std::optional<double> HeardPan(std::chrono::milliseconds duration) {
        sound::Recorder recorder;
        EXPECT_TRUE(recorder.Started()) << "parec did not start";
        std::this_thread::sleep_for(duration);
        sound::Recording recording = recorder.Stop();
        std::vector<double> differences;
        for (const sound::Stretch& s : sound::SoundStretches(recording)) {
            if (s.Milliseconds() < 400) { // the move sound is 0.2 s long
                differences.push_back(sound::LevelDb(recording.right, s) -
                                      sound::LevelDb(recording.left, s));
            }
        }
        if (differences.size() < 3) {
            return std::nullopt;
        }
        std::sort(differences.begin(), differences.end());
        return differences[differences.size() / 2] * 100;
    }

    // Expects the pan heard, once it settles within 300 (3 dB) of what the window's place gives
    // on a primary `width` pixels wide; a layout change takes the program a moment to follow.
    void ExpectPan(int width, const char* where) {
        Geometry g = Place();
        double expected = ExpectedPan(g.x - primary_.x, width);
        std::optional<double> heard;
        bool near = WaitUntil(
            [&] {
                heard = HeardPan(2400ms);
                return heard && std::abs(*heard - expected) <= 300;
            },
            20s, 0ms);
        std::cout << where << ": left edge " << g.x - primary_.x << " of " << width
                  << ", pan expected " << expected << ", heard "
                  << (heard ? std::to_string(*heard) : "nothing") << "\n";
        EXPECT_TRUE(near) << where << ": pan expected " << expected << ", heard "
                          << (heard ? std::to_string(*heard) : "fewer than 3 move sounds");
        Geometry now = Place();
        EXPECT_TRUE(now.x == g.x && now.y == g.y)
            << "the pet moved from " << g.x << "," << g.y << " to " << now.x << "," << now.y
            << " while its sounds were measured";
    }

    Desktop desktop_;
    Area primary_{};
    std::unique_ptr<PetProcess> pet_;
    ::Window window_ = 0;
};

// It appears on the primary, 428,320 from its corner; dragged onto the left monitor it walks
// on there after the pointer; the pan counts its left edge from the primary's, negative there.
TEST_F(TwoMonitors, ThePetStartsOnThePrimaryAndWalksOnTheLeftMonitorPannedByThePrimary) {
    Geometry first = Place();
    EXPECT_EQ(first, (Geometry{primary_.x + 428, primary_.y + 320, 37, 36}))
        << "appeared at " << first.x << "," << first.y;
    WaitUntilWalking();
    WaitUntilResting();
    ExpectPan(primary_.width, "on the primary");

    // Dragged by its centre to a left edge 60 pixels left of the primary's: on the left monitor
    // whatever its frame's width (up to 41), and panned within what the sink can measure (the
    // far side about 56 dB down).
    Geometry start = Place();
    int grabX = start.x + start.width / 2, grabY = start.y + start.height / 2;
    int dx = primary_.x - 60 - start.x, dy = 200;
    desktop_.Button(1, true);
    for (int i = 1; i <= 30; ++i) {
        desktop_.MovePointer(grabX + dx * i / 30, grabY + dy * i / 30);
        std::this_thread::sleep_for(25ms);
    }
    desktop_.Button(1, false);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Geometry g = Place();
            return std::abs(g.x - (start.x + dx)) <= 3 && std::abs(g.y - (start.y + dy)) <= 3;
        },
        5s))
        << "the drag ended at " << Place().x << "," << Place().y;

    // The pointer further left and down on the left monitor (800 high): steps of 3 pixels
    // towards it.
    Geometry dropped = Place();
    ASSERT_LT(dropped.x + dropped.width, primary_.x) << "not on the left monitor";
    desktop_.MovePointer(dropped.x - 200, dropped.y + 200);
    std::vector<Geometry> places{dropped};
    ASSERT_TRUE(WaitUntil(
        [&] {
            Geometry g = Place();
            if (g.x != places.back().x || g.y != places.back().y) {
                places.push_back(g);
            }
            return places.size() >= 5;
        },
        20s, 5ms))
        << "the pet did not walk on the left monitor towards " << dropped.x - 200 << ","
        << dropped.y + 200 << ": from " << dropped.x << "," << dropped.y << " " << places.size() - 1
        << " moves, to " << places.back().x << "," << places.back().y;
    for (std::size_t i = 1; i < places.size(); ++i) {
        int stepX = places[i].x - places[i - 1].x, stepY = places[i].y - places[i - 1].y;
        EXPECT_TRUE(stepX < 0 && stepX % 3 == 0 && stepY == -stepX)
            << "step " << stepX << "," << stepY << " is not towards the pointer";
    }
    WaitUntilResting();
    ASSERT_LT(Place().x, primary_.x) << "not on the left monitor";
    ExpectPan(primary_.width, "on the left monitor");
}

// The primary's resolution changed while the pet walks: the pan follows the new width.
TEST_F(TwoMonitors, ThePanFollowsTheNewWidthOfThePrimary) {
    WaitUntilWalking();
    WaitUntilResting();
    ASSERT_TRUE(Xrandr("--output DUMMY0 --mode 1024x768"));
    ASSERT_TRUE(WaitUntil(
        [] {
            auto p = PrimaryMonitor();
            return p && p->width == 1024;
        },
        10s));
    ASSERT_EQ(PrimaryMonitor()->x, primary_.x) << "the primary moved";
    // The server parks the pointer on the other monitor while it changes the mode: back on the
    // pet, which may have taken a step towards it meanwhile.
    WaitUntilResting();
    ExpectPan(1024, "on the primary at 1024x768");
}

} // namespace
} // namespace e2e
