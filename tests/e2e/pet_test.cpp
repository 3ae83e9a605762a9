// The real jellop.exe under Wine in the test display, driven and watched only from outside:
// the pointer and buttons through XTest, the window's place and shape through X, and the
// process's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <thread>

#include "harness.h"
#include "harness_pet.h"
#include "sound_capture.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

const std::vector<int> kSeries101{101, 102, 103, 104};
const std::vector<int> kDeathFrames{142, 143, 144, 145, 146};

// The pet's first place: 6420 x 4800 twips at 15 twips per pixel, frame 101 (37 x 36).
constexpr Geometry kFirstPlace{428, 320, 37, 36};

class PetEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        // The pointer rests on the pet's centre, where it first appears, so it stays put.
        desktop_.MovePointer(446, 338);
        Launch();
    }

    void Launch() {
        pet_ = std::make_unique<WineProcess>(WindowsBuildPath("jellop.exe"));
        auto window = desktop_.FindWindow("Form1");
        ASSERT_TRUE(window) << "the pet window never appeared";
        window_ = *window;
    }

    Geometry Place() { return desktop_.GeometryOf(window_); }

    void PointAtCentre() {
        Geometry g = Place();
        desktop_.MovePointer(g.x + g.width / 2, g.y + g.height / 2);
    }

    // While a frame is put on screen the window is briefly without a shape (the old region
    // goes before the new one comes): its shape is then the whole window.
    static bool IsUnshaped(const std::vector<Rect>& shape, const Geometry& g) {
        return shape.size() == 1 && shape[0] == Rect{0, 0, g.width, g.height};
    }

    // Waits until the pet's process has ended; how long that took.
    std::optional<std::chrono::milliseconds> TimeToExit(std::chrono::milliseconds limit) {
        auto start = Clock::now();
        if (!pet_->WaitForExit(limit)) {
            return std::nullopt;
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }

    // The frames recognised from the window's shape over `duration`, in order of first sight.
    std::vector<int> WatchFrames(const std::vector<int>& candidates,
                                 std::chrono::milliseconds duration) {
        std::vector<int> seen;
        auto end = Clock::now() + duration;
        while (Clock::now() < end && desktop_.IsMapped(window_)) {
            if (auto frame = FrameOfShape(desktop_.ShapeOf(window_), candidates)) {
                if (std::find(seen.begin(), seen.end(), *frame) == seen.end()) {
                    seen.push_back(*frame);
                }
            }
            std::this_thread::sleep_for(15ms);
        }
        return seen;
    }

    // Opens the context menu with a right-click on the pet's centre; the menu's window.
    std::optional<::Window> OpenMenu() {
        PointAtCentre();
        std::this_thread::sleep_for(100ms);
        std::vector<::Window> before = screen_.MappedTopLevelWindows();
        desktop_.Click(3);
        auto end = Clock::now() + 3s;
        while (Clock::now() < end) {
            for (::Window w : screen_.MappedTopLevelWindows()) {
                if (w != window_ && std::find(before.begin(), before.end(), w) == before.end()) {
                    std::this_thread::sleep_for(200ms); // drawn
                    return w;
                }
            }
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    // Clicks the menu at a fraction of its height (the items lie one above the other).
    void ClickMenuAt(::Window menu, double fraction) {
        Geometry g = desktop_.GeometryOf(menu);
        desktop_.MovePointer(g.x + g.width / 2, g.y + static_cast<int>(g.height * fraction));
        std::this_thread::sleep_for(100ms);
        desktop_.Click(1);
        WaitUntilGone(menu);
    }

    // Closes the menu without a choice, with a click away from it.
    void DismissMenu(::Window menu) {
        desktop_.MovePointer(1200, 900);
        std::this_thread::sleep_for(100ms);
        desktop_.Click(1);
        WaitUntilGone(menu);
    }

    // Two left clicks on the pet's centre, 120 ms apart: a double-click.
    void DoubleClickPet() {
        PointAtCentre();
        std::this_thread::sleep_for(150ms);
        desktop_.Click(1);
        std::this_thread::sleep_for(120ms);
        desktop_.Click(1);
    }

    void WaitUntilGone(::Window menu) {
        auto end = Clock::now() + 3s;
        while (Clock::now() < end && screen_.IsShown(menu)) {
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_FALSE(screen_.IsShown(menu)) << "the menu did not close";
    }

    // What the menu shows: its lines of text, a separator between them, and whether each line
    // has a check mark in the margin left of its text.
    struct MenuLook {
        int textLines = 0;
        bool separatorBetween = false;
        std::vector<bool> checked;
    };
    MenuLook LookAt(::Window menu) {
        Geometry g = desktop_.GeometryOf(menu);
        std::vector<Pixel> pixels = desktop_.Capture(g);
        auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * g.width + x)]; };
        auto dark = [](Pixel p) { return p.red + p.green + p.blue < 200; };
        constexpr int kMargin = 16; // left of it, the check marks; right of it, the text
        // Rows with dark text pixels right of the margin, grouped into lines (an access
        // key's underline, a row or two below its letter, belongs to the same line).
        std::vector<std::pair<int, int>> lines;
        for (int y = 2; y < g.height - 2; ++y) {
            bool text = false;
            for (int x = kMargin; x < g.width - 2 && !text; ++x) {
                text = dark(at(x, y));
            }
            if (!text) {
                continue;
            }
            if (lines.empty() || y - lines.back().second > 3) {
                lines.emplace_back(y, y);
            }
            lines.back().second = y;
        }
        MenuLook look;
        look.textLines = static_cast<int>(lines.size());
        for (auto [top, bottom] : lines) {
            int marks = 0;
            for (int y = top; y <= bottom; ++y) {
                for (int x = 2; x < kMargin - 2; ++x) {
                    marks += dark(at(x, y)) ? 1 : 0;
                }
            }
            look.checked.push_back(marks >= 4);
        }
        // A separator: a row between the two lines, not dark, unlike the background across
        // most of the menu's width.
        if (lines.size() == 2) {
            Pixel background = at(g.width - 3, lines[0].first);
            for (int y = lines[0].second + 1; y < lines[1].first; ++y) {
                int differing = 0;
                for (int x = 2; x < g.width - 2; ++x) {
                    Pixel p = at(x, y);
                    differing += (p.red != background.red || p.green != background.green ||
                                  p.blue != background.blue)
                                     ? 1
                                     : 0;
                }
                look.separatorBetween = look.separatorBetween || differing > (g.width - 4) * 3 / 5;
            }
        }
        return look;
    }

    Desktop desktop_;
    Screen screen_;
    std::unique_ptr<WineProcess> pet_;
    ::Window window_ = 0;
};

TEST_F(PetEndToEnd, ItAppearsAt428By320WithFrame101sShapeAndNoTaskbarEntry) {
    EXPECT_EQ(Place(), kFirstPlace);
    EXPECT_EQ(FrameOfShape(desktop_.ShapeOf(window_), {101}), 101);
    EXPECT_TRUE(desktop_.SkipsTaskbar(window_));
    EXPECT_TRUE(pet_->Running());
}

TEST_F(PetEndToEnd, ItWalksThreePixelsADiagonalTickTowardsThePointerInSeries101) {
    std::this_thread::sleep_for(800ms); // the fade-in is over and the walk runs
    Geometry start = Place();
    desktop_.MovePointer(20, 1000);

    std::vector<std::pair<int, int>> places{{start.x, start.y}};
    std::set<int> frames;
    bool unknownShape = false;
    auto end = Clock::now() + 2s;
    while (Clock::now() < end) {
        Geometry g = Place();
        if (std::make_pair(g.x, g.y) != places.back()) {
            places.emplace_back(g.x, g.y);
        }
        std::vector<Rect> shape = desktop_.ShapeOf(window_);
        if (auto frame = FrameOfShape(shape, kSeries101)) {
            frames.insert(*frame);
        } else if (!IsUnshaped(shape, g)) {
            unknownShape = true;
            ADD_FAILURE() << shape.size() << " rectangles, window " << g.width << "x" << g.height;
        }
        std::this_thread::sleep_for(10ms);
    }
    // Every move is a whole number of diagonal steps of 3 pixels left and 3 down.
    int steps = 0;
    for (std::size_t i = 1; i < places.size(); ++i) {
        int dx = places[i].first - places[i - 1].first;
        int dy = places[i].second - places[i - 1].second;
        EXPECT_EQ(dx % 3, 0) << "move " << i;
        EXPECT_EQ(dx, -dy) << "move " << i;
        EXPECT_LT(dx, 0) << "move " << i;
        steps += -dx / 3;
    }
    EXPECT_GE(steps, 12) << "about ten steps a second";
    EXPECT_LE(steps, 22);
    EXPECT_FALSE(unknownShape) << "every shape is one of frames 101 to 104";
    EXPECT_EQ(frames.size(), 4u);

    // With the pointer on its centre it stays put and keeps bouncing.
    PointAtCentre();
    std::this_thread::sleep_for(500ms);
    PointAtCentre();
    std::this_thread::sleep_for(300ms);
    Geometry rest = Place();
    std::vector<int> bounce = WatchFrames(kSeries101, 1500ms);
    EXPECT_EQ(Place().x, rest.x);
    EXPECT_EQ(Place().y, rest.y);
    EXPECT_EQ(bounce.size(), 4u);
}

TEST_F(PetEndToEnd, ASecondCopyEndsAtOnceAndTheFirstKeepsRunning) {
    WineProcess second(WindowsBuildPath("jellop.exe"));
    auto status = second.WaitForExit(15s);
    ASSERT_TRUE(status) << "the second copy is still running";
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(desktop_.WindowsNamed("Form1").size(), 1u);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(pet_->Running());
    EXPECT_TRUE(desktop_.IsMapped(window_));
}

TEST_F(PetEndToEnd, ADoubleClickShowsTheDeathFramesAndTheProgramEndsAbout4SecondsLater) {
    std::this_thread::sleep_for(800ms);
    DoubleClickPet();
    auto requested = Clock::now();
    std::vector<int> death = WatchFrames(kDeathFrames, 2500ms);
    EXPECT_GE(death.size(), 4u) << "the death frames, recognised by their shapes";
    EXPECT_EQ(death.back(), 146);
    ASSERT_TRUE(pet_->WaitForExit(10s)) << "the program did not end";
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requested);
    EXPECT_GE(took.count(), 3500);
    EXPECT_LE(took.count(), 8000);
}

TEST_F(PetEndToEnd, ALeftButtonDragTakesThePetWhereThePointerIsReleased) {
    std::this_thread::sleep_for(800ms);
    PointAtCentre();
    std::this_thread::sleep_for(200ms);
    Geometry start = Place();
    int grabX = start.x + start.width / 2, grabY = start.y + start.height / 2;
    desktop_.MovePointer(grabX, grabY);
    desktop_.Button(1, true);
    for (int i = 1; i <= 20; ++i) {
        desktop_.MovePointer(grabX + 10 * i, grabY + 5 * i);
        std::this_thread::sleep_for(25ms);
    }
    desktop_.Button(1, false);
    std::this_thread::sleep_for(50ms);
    Geometry end = Place();
    // Where the pointer let go, give or take the one walk step that may follow.
    EXPECT_NEAR(end.x, start.x + 200, 3);
    EXPECT_NEAR(end.y, start.y + 100, 3);
    EXPECT_TRUE(pet_->Running());
}

TEST_F(PetEndToEnd, ARightClickShowsSoundsCheckedASeparatorAndDie) {
    std::this_thread::sleep_for(800ms);
    auto menu = OpenMenu();
    ASSERT_TRUE(menu) << "no menu appeared";
    MenuLook look = LookAt(*menu);
    EXPECT_EQ(look.textLines, 2) << "\"Sounds\" and \"Die\"; \"Options\" never shows";
    EXPECT_TRUE(look.separatorBetween);
    EXPECT_EQ(look.checked, (std::vector<bool>{true, false}));
    // Clicking outside the menu closes it.
    DismissMenu(*menu);
    EXPECT_TRUE(pet_->Running());
}

TEST_F(PetEndToEnd, SoundsTwiceRestoresTheCheckAndClosingWithoutAChoiceChangesNothing) {
    std::this_thread::sleep_for(800ms);
    auto menu = OpenMenu();
    ASSERT_TRUE(menu);
    ClickMenuAt(*menu, 0.25); // "Sounds"
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(LookAt(*menu).checked, (std::vector<bool>{false, false}));
    ClickMenuAt(*menu, 0.25);
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(LookAt(*menu).checked, (std::vector<bool>{true, false}));
    // Dismissed: nothing changes, and the pet lives on.
    DismissMenu(*menu);
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(LookAt(*menu).checked, (std::vector<bool>{true, false}));
    DismissMenu(*menu);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(FrameOfShape(desktop_.ShapeOf(window_), kDeathFrames));
    EXPECT_TRUE(pet_->Running());
}

TEST_F(PetEndToEnd, DieFromTheMenuShowsTheDeathFramesAndTheProgramEnds) {
    std::this_thread::sleep_for(800ms);
    auto menu = OpenMenu();
    ASSERT_TRUE(menu);
    ClickMenuAt(*menu, 0.8); // "Die"
    auto requested = Clock::now();
    desktop_.MovePointer(1200, 900);
    std::vector<int> death = WatchFrames(kDeathFrames, 2500ms);
    EXPECT_GE(death.size(), 4u);
    ASSERT_TRUE(pet_->WaitForExit(10s)) << "the program did not end";
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requested);
    EXPECT_GE(took.count(), 3500);
    EXPECT_LE(took.count(), 8000);
}

// The move sound is 0.2 s long, the death sound about 1 s.
bool IsMoveSound(const sound::Stretch& s) {
    return s.Milliseconds() < 400;
}
bool IsDeathSound(const sound::Stretch& s) {
    return s.Milliseconds() > 700;
}

TEST_F(PetEndToEnd, TheMoveSoundComesEvery400MsFromTheLeftAndTheDeathSoundOnDeath) {
    sound::Recorder recorder;
    ASSERT_TRUE(recorder.Started()) << "parec did not start";
    std::this_thread::sleep_for(3500ms); // fade-in, then about 7 cycles of the walk
    DoubleClickPet();
    std::this_thread::sleep_for(2000ms);
    sound::Recording recording = recorder.Stop();
    std::vector<sound::Stretch> stretches = sound::SoundStretches(recording);

    std::vector<sound::Stretch> moves;
    std::copy_if(stretches.begin(), stretches.end(), std::back_inserter(moves), IsMoveSound);
    ASSERT_GE(moves.size(), 5u) << "stretches heard: " << stretches.size();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < moves.size(); ++i) {
        gaps.push_back((moves[i].begin - moves[i - 1].begin) * 1000.0 / sound::kRate);
    }
    std::sort(gaps.begin(), gaps.end());
    double median = gaps[gaps.size() / 2];
    EXPECT_NEAR(median, 400, 60) << "onsets every 400 ms";
    // The pet's left edge is on the left half of the screen: the right side is turned down.
    for (const sound::Stretch& move : moves) {
        EXPECT_GT(sound::LevelDb(recording.left, move) - sound::LevelDb(recording.right, move), 10);
    }
    auto death = std::find_if(stretches.begin(), stretches.end(), IsDeathSound);
    ASSERT_NE(death, stretches.end()) << "no death sound";
    EXPECT_GT(death->begin, moves.back().begin) << "the death sound comes after the walk";
}

TEST_F(PetEndToEnd, WithSoundsOffNoNewSoundStarts) {
    std::this_thread::sleep_for(800ms);
    auto menu = OpenMenu();
    ASSERT_TRUE(menu);
    ClickMenuAt(*menu, 0.25);           // "Sounds" off
    std::this_thread::sleep_for(400ms); // a sound that was playing has ended
    sound::Recorder recorder;
    ASSERT_TRUE(recorder.Started());
    std::this_thread::sleep_for(2000ms);
    DoubleClickPet();
    std::this_thread::sleep_for(1500ms);
    sound::Recording recording = recorder.Stop();
    ASSERT_GT(recording.Frames(), static_cast<std::size_t>(sound::kRate)) << "nothing recorded";
    EXPECT_TRUE(sound::SoundStretches(recording).empty());
    EXPECT_TRUE(pet_->WaitForExit(10s)) << "it still dies, silently";
}

} // namespace
} // namespace e2e
