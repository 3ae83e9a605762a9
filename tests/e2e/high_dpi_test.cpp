// The native program on a dense screen: it works in the pixels of a 96-DPI screen and is drawn
// a whole number of times larger (2 at 144 and at 192 DPI, as Xft.dpi says when it starts), as
// Windows shows a program that does not scale itself: its place, size, shape, frames, steps and
// drags all scaled alike.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "harness.h"
#include "harness_pet.h"

namespace e2e {
namespace {

// The rectangles scaled by `scale`: a frame's shape as a dense screen shows it.
std::vector<Rect> Scaled(const std::vector<Rect>& rects, int scale) {
    std::vector<Rect> scaled;
    for (const Rect& r : rects) {
        scaled.push_back({r.left * scale, r.top * scale, r.right * scale, r.bottom * scale});
    }
    return scaled;
}

// The walking frames and the first one.
const std::vector<int> kSeries101{101, 102, 103, 104};

class HighDpi : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        if (ProgramUnderTest() != PetProgram::Native) {
            GTEST_SKIP() << "Windows scales a program without DPI awareness itself";
        }
        saved_ = desktop_.Resources();
        desktop_.SetResources("Xft.dpi:\t" + std::to_string(GetParam()) + "\n");
        auto window = LaunchPet(desktop_, pet_, 2 * 446, 2 * 338);
        ASSERT_TRUE(window) << "the pet window never appeared";
        window_ = *window;
    }
    void TearDown() override {
        pet_.reset();
        if (!IsSkipped()) {
            desktop_.SetResources(saved_);
        }
    }

    // The frame of `frames` whose scaled shape the window has now.
    std::optional<int> ShownFrame(const std::vector<int>& frames) {
        std::vector<Rect> shape = desktop_.ShapeOf(window_);
        for (int frame : frames) {
            if (shape == Scaled(FrameRegion(frame), kScale)) {
                return frame;
            }
        }
        return std::nullopt;
    }

    // Whether the screen shows frame `frame` at the scale, pixel for pixel inside its shape.
    bool ShowsFramePixels(int frame, const Geometry& place) {
        Picture picture = FramePicture(frame);
        if (place.width != picture.width * kScale || place.height != picture.height * kScale) {
            return false; // the place was read while another frame showed
        }
        std::vector<Pixel> screen = desktop_.Capture(place);
        for (auto [x, y] : PixelsOf(Scaled(FrameRegion(frame), kScale))) {
            const Pixel& s = screen[static_cast<std::size_t>(y * place.width + x)];
            const Pixel& p = picture.At(x / kScale, y / kScale);
            if (s.red != p.red || s.green != p.green || s.blue != p.blue) {
                return false;
            }
        }
        return true;
    }

    static constexpr int kScale = 2;
    Desktop desktop_;
    std::string saved_;
    std::unique_ptr<PetProcess> pet_;
    ::Window window_ = 0;
};

TEST_P(HighDpi, ThePetIsDrawnTwiceAsLargeAndWalksAndDragsInScreenPixels) {
    // At 428, 320 in the program's pixels, each frame twice its size and shape (frame 101 while
    // it fades in; on a loaded machine the walk may have begun by the first look).
    std::optional<int> frame;
    Geometry place{};
    ASSERT_TRUE(WaitUntil(
        [&] {
            frame = ShownFrame(kSeries101);
            place = desktop_.GeometryOf(window_);
            return frame && ShownFrame({*frame}) == frame;
        },
        10s))
        << "no frame of the walk's series at 2x";
    Picture picture = FramePicture(*frame);
    EXPECT_EQ(place, (Geometry{856, 640, 2 * picture.width, 2 * picture.height}));

    // Frames pixel for pixel, once the fade-in is over (a frame of the walk other than 101).
    // The screen is read between two looks at the shape; a compositor may show a frame a moment
    // after the window has it, so a look that disagrees is taken again, and two must agree.
    int matched = 0;
    EXPECT_TRUE(WaitUntil(
        [&] {
            Geometry place = desktop_.GeometryOf(window_);
            std::optional<int> before = ShownFrame({102, 103, 104});
            if (before && ShowsFramePixels(*before, place) && ShownFrame({*before}) == before &&
                desktop_.GeometryOf(window_) == place) {
                ++matched;
            }
            return matched >= 2;
        },
        20s))
        << "the walking frames never showed as their pixels at 2x";

    // Steps of 3 program pixels: 6 screen pixels, diagonally towards the pointer.
    Geometry start = desktop_.GeometryOf(window_);
    desktop_.MovePointer(40, 2000);
    std::vector<Geometry> places{start};
    ASSERT_TRUE(WaitUntil(
        [&] {
            Geometry g = desktop_.GeometryOf(window_);
            if (g.x != places.back().x || g.y != places.back().y) {
                places.push_back(g);
            }
            return places.size() >= 6;
        },
        20s, 5ms));
    for (std::size_t i = 1; i < places.size(); ++i) {
        int dx = places[i].x - places[i - 1].x;
        int dy = places[i].y - places[i - 1].y;
        EXPECT_TRUE(dx < 0 && dx % 6 == 0 && dy == -dx) << "move " << dx << "," << dy;
    }

    // A drag ends with the pet where the pointer let go (within a step): first it comes to
    // rest under the pointer.
    ASSERT_TRUE(WaitUntil(
        [&] {
            Geometry g = desktop_.GeometryOf(window_);
            desktop_.MovePointer(g.x + g.width / 2, g.y + g.height / 2);
            std::this_thread::sleep_for(300ms);
            Geometry now = desktop_.GeometryOf(window_);
            return now.x == g.x && now.y == g.y;
        },
        20s))
        << "the pet did not rest under the pointer";
    Geometry grabbed = desktop_.GeometryOf(window_);
    int grabX = grabbed.x + grabbed.width / 2, grabY = grabbed.y + grabbed.height / 2;
    desktop_.Button(1, true);
    for (int i = 1; i <= 20; ++i) {
        desktop_.MovePointer(grabX + 200 * i / 20, grabY + 120 * i / 20);
        std::this_thread::sleep_for(25ms);
    }
    desktop_.Button(1, false);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Geometry g = desktop_.GeometryOf(window_);
            return std::abs(g.x - (grabbed.x + 200)) <= 6 && std::abs(g.y - (grabbed.y + 120)) <= 6;
        },
        10s))
        << "ended at " << desktop_.GeometryOf(window_).x << "," << desktop_.GeometryOf(window_).y;
}

INSTANTIATE_TEST_SUITE_P(XftDpi, HighDpi, ::testing::Values(144, 192));

} // namespace
} // namespace e2e
