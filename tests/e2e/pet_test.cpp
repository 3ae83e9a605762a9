// The real jellop.exe under Wine in the test display, driven and watched only from outside:
// the pointer and buttons through XTest, the window's place and shape through X, and the
// process's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "harness.h"
#include "harness_pet.h"
#include "sound_capture.h"
#include "witness.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

const std::vector<int> kSeries101{101, 102, 103, 104};
const std::vector<int> kDeathFrames{142, 143, 144, 145, 146};

// The pet's first place: 6420 x 4800 twips at 15 twips per pixel, frame 101 (37 x 36).
constexpr Geometry kFirstPlace{428, 320, 37, 36};

// The colour of the test desktop's background, as scripts/env.sh sets it.
Pixel Background() {
    const char* value = std::getenv("JELLOP_BACKGROUND");
    unsigned long rgb = std::strtoul(value && *value ? value : "204060", nullptr, 16);
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

class PetEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        // The pointer rests on the pet's centre, where it first appears, so it stays put.
        Launch();
    }

    void Launch() {
        auto window = LaunchPet(desktop_, pet_, 446, 338);
        ASSERT_TRUE(window) << "the pet window never appeared";
        window_ = *window;
    }

    // Waits until the fade-in is over and the walk runs: the pet bounces to another frame of
    // its standing series (the pointer rests on its centre, so it does not step).
    void WaitUntilWalking() {
        ASSERT_TRUE(WalkBegins(desktop_, window_)) << "the pet never started to walk";
    }

    // Neither a taskbar nor a pager lists the pet. The Windows program stays out of the window
    // manager's hands (override-redirect, in no client list); the native one is a managed
    // window that asks the manager to keep it out of taskbars and pagers, as EWMH has it.
    void ExpectNoWindowManagerHold() {
        if (ProgramUnderTest() == PetProgram::Native) {
            EXPECT_TRUE(desktop_.SkipsTaskbar(window_)) << "listed for taskbars";
            EXPECT_TRUE(desktop_.IsOverrideRedirect(window_) ||
                        desktop_.HasState(window_, "_NET_WM_STATE_SKIP_PAGER"))
                << "listed for pagers";
            return;
        }
        std::vector<::Window> clients = desktop_.ClientList();
        EXPECT_EQ(std::count(clients.begin(), clients.end(), window_), 0) << "listed for taskbars";
        EXPECT_TRUE(desktop_.IsOverrideRedirect(window_)) << "handed to the window manager";
    }

    Geometry Place() { return desktop_.GeometryOf(window_); }

    void PointAtCentre() { e2e::PointAtCentre(desktop_, window_); }

    // Waits until the pet's process has ended; how long that took.
    std::optional<std::chrono::milliseconds> TimeToExit(std::chrono::milliseconds limit) {
        auto start = Clock::now();
        if (!pet_->WaitForExit(limit)) {
            return std::nullopt;
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }

    // The frames recognised from the window's shape over `duration`, in order of first sight;
    // the watch ends early once all have been seen, or `last` (the last frame of a sequence).
    std::vector<int> WatchFrames(const std::vector<int>& candidates,
                                 std::chrono::milliseconds duration, int last = 0) {
        std::vector<int> seen;
        auto end = Clock::now() + duration;
        while (Clock::now() < end && desktop_.IsMapped(window_) &&
               seen.size() < candidates.size() &&
               std::find(seen.begin(), seen.end(), last) == seen.end()) {
            if (auto frame = FrameOfShape(desktop_.ShapeOf(window_), candidates)) {
                if (std::find(seen.begin(), seen.end(), *frame) == seen.end()) {
                    seen.push_back(*frame);
                }
            }
            std::this_thread::sleep_for(5ms);
        }
        return seen;
    }

    // Opens the context menu with a right-click on the pet's centre; the menu's window, once
    // it shows its two lines of text, and for Input::Keys once it has the keyboard.
    enum class Input { Pointer, Keys };
    std::optional<::Window> OpenMenu(Input input = Input::Pointer) {
        PointAtCentre();
        std::vector<::Window> before = screen_.MappedTopLevelWindows();
        desktop_.Click(3);
        std::optional<::Window> menu;
        WaitUntil(
            [&] {
                for (::Window w : screen_.MappedTopLevelWindows()) {
                    if (w != window_ &&
                        std::find(before.begin(), before.end(), w) == before.end()) {
                        menu = w;
                    }
                }
                return menu.has_value();
            },
            10s);
        if (menu && !WaitUntil([&] { return LookAt(*menu).textLines == 2; }, 10s)) {
            ADD_FAILURE() << "the menu never showed its two lines";
        }
        // Open, it has the keyboard, as a user who looks at it before typing finds: the focus
        // under Wine; the native program's menu holds the keyboard by a grab instead and
        // leaves the focus where it was, with the user's window.
        auto hasKeyboard = [&] {
            return ProgramUnderTest() == PetProgram::Native ? desktop_.KeyboardGrabbed()
                                                            : desktop_.KeyboardFocus() == *menu;
        };
        if (input == Input::Keys && menu && !WaitUntil(hasKeyboard, 10s)) {
            ADD_FAILURE() << "the menu never took the keyboard";
        }
        return menu;
    }

    // Expects the menu's lines to show these check marks, once the screen shows this menu: a
    // compositor on a loaded machine may still show the menu before it for a moment.
    void ExpectChecks(::Window menu, const std::vector<bool>& checked) {
        std::vector<bool> seen;
        EXPECT_TRUE(WaitUntil(
            [&] {
                seen = LookAt(menu).checked;
                return seen == checked;
            },
            5s))
            << "the menu shows " << seen.size() << " lines, the first "
            << (!seen.empty() && seen[0] ? "checked" : "not checked");
    }

    // Clicks the menu at a fraction of its height (the items lie one above the other), once
    // the item under the pointer is highlighted.
    void ClickMenuAt(::Window menu, double fraction) {
        Geometry g = desktop_.GeometryOf(menu);
        int x = g.x + g.width / 2, y = g.y + static_cast<int>(g.height * fraction);
        desktop_.MovePointer(x - 1, y);
        desktop_.MovePointer(x, y);
        // The item under the pointer lights up once the menu has seen the pointer there; a
        // click before that (a loaded machine is slow to deliver the motion) could land on the
        // item that was lit before.
        EXPECT_TRUE(WaitUntil([&] { return HighlightedAt(menu, y - g.y); }, 10s))
            << "the item under the pointer never lit up";
        desktop_.Click(1);
        WaitUntilGone(menu);
    }

    // Closes the menu without a choice, with a click away from it.
    void DismissMenu(::Window menu) {
        desktop_.MovePointer(1200, 900);
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
        EXPECT_TRUE(WaitUntil([&] { return !screen_.IsShown(menu); }, 10s))
            << "the menu did not close";
    }

    // Whether the menu's row `row` (from its top) lies in a highlighted item: the highlight
    // colour there and two rows above and below, at the right edge where no text reaches.
    bool HighlightedAt(::Window menu, int row) {
        Geometry g = desktop_.GeometryOf(menu);
        if (row < 4 || row >= g.height - 4) {
            return false;
        }
        std::vector<Pixel> pixels = desktop_.Capture(g);
        Pixel corner = pixels[static_cast<std::size_t>(2 * g.width + g.width - 3)];
        for (int y = row - 2; y <= row + 2; ++y) {
            const Pixel& p = pixels[static_cast<std::size_t>(y * g.width + g.width - 4)];
            if (p.red == corner.red && p.green == corner.green && p.blue == corner.blue) {
                return false;
            }
        }
        return true;
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
    std::unique_ptr<PetProcess> pet_;
    ::Window window_ = 0;
};

TEST_F(PetEndToEnd, ItAppearsAt428By320WithFrame101sShapeAndNoTaskbarEntry) {
    EXPECT_EQ(Place(), kFirstPlace);
    EXPECT_EQ(FrameOfShape(desktop_.ShapeOf(window_), {101}), 101);
    EXPECT_TRUE(desktop_.SkipsTaskbar(window_));
    EXPECT_TRUE(pet_->Running());
}

TEST_F(PetEndToEnd, ItWalksThreePixelsADiagonalTickTowardsThePointerInSeries101) {
    WaitUntilWalking();
    Geometry start = Place();
    desktop_.MovePointer(20, 1000);

    // Watched until it has taken 12 steps: about 1.2 s, longer on a loaded machine, whose lost
    // ticks are never made up.
    std::vector<std::pair<int, int>> places{{start.x, start.y}};
    std::set<int> frames;
    bool unknownShape = false;
    auto began = Clock::now();
    while (Clock::now() < began + 30s && start.x - places.back().first < 36) {
        Geometry g = Place();
        if (std::make_pair(g.x, g.y) != places.back()) {
            places.emplace_back(g.x, g.y);
        }
        std::vector<Rect> shape = desktop_.ShapeOf(window_);
        if (auto frame = FrameOfShape(shape, kSeries101)) {
            frames.insert(*frame);
        } else { // a frame's shape replaces the last one whole: never none, never a mixture
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
    double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    EXPECT_GE(steps, 12);
    EXPECT_LE(steps, seconds * 10 + 2) << "never more than a step a tick, ten ticks a second";
    EXPECT_FALSE(unknownShape) << "every shape is one of frames 101 to 104";
    EXPECT_EQ(frames.size(), 4u);

    // With the pointer on its centre it stays put and keeps bouncing.
    PointAtCentre();
    Geometry rest = Place();
    ASSERT_TRUE(WaitUntil(
        [&] {
            PointAtCentre();
            std::this_thread::sleep_for(300ms);
            Geometry now = Place();
            bool still = now.x == rest.x && now.y == rest.y;
            rest = now;
            return still;
        },
        10s))
        << "the pet does not come to rest under the pointer";
    std::vector<int> bounce = WatchFrames(kSeries101, 10s);
    EXPECT_EQ(Place().x, rest.x);
    EXPECT_EQ(Place().y, rest.y);
    EXPECT_EQ(bounce.size(), 4u);
}

TEST_F(PetEndToEnd, ASecondCopyEndsAtOnceAndTheFirstKeepsRunning) {
    PetProcess second;
    auto status = second.WaitForExit(15s);
    ASSERT_TRUE(status) << "the second copy is still running";
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(desktop_.WindowsNamed("Form1").size(), 1u);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(pet_->Running());
    EXPECT_TRUE(desktop_.IsMapped(window_));
}

TEST_F(PetEndToEnd, ADoubleClickShowsTheDeathFramesAndTheProgramEndsAbout4SecondsLater) {
    WaitUntilWalking();
    DoubleClickPet();
    auto requested = Clock::now();
    std::vector<int> death = WatchFrames(kDeathFrames, 10s, 146);
    EXPECT_GE(death.size(), 4u) << "the death frames, recognised by their shapes";
    EXPECT_EQ(death.back(), 146);
    ASSERT_TRUE(pet_->WaitForExit(20s)) << "the program did not end";
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requested);
    // The death frames, a 2 s hold and the fade-out: at least 3.5 s, however fast the machine.
    EXPECT_GE(took.count(), 3500);
    EXPECT_LE(took.count(), 15000);
}

TEST_F(PetEndToEnd, FiveDragsEachEndWhereThePointerLetsGoThenADoubleClickStillKills) {
    WaitUntilWalking();
    ::Window focus = desktop_.KeyboardFocus();
    const std::pair<int, int> moves[] = {{200, 100}, {-150, 60}, {80, -180}, {-120, -40}, {30, 90}};
    for (auto [dx, dy] : moves) {
        PointAtCentre();
        Geometry start = Place();
        int grabX = start.x + start.width / 2, grabY = start.y + start.height / 2;
        desktop_.Button(1, true);
        // Along the way the pet follows the pointer and never jumps back towards the start.
        double length = std::hypot(dx, dy), furthest = 0;
        int backwards = 0;
        for (int i = 1; i <= 20; ++i) {
            desktop_.MovePointer(grabX + dx * i / 20, grabY + dy * i / 20);
            std::this_thread::sleep_for(25ms);
            Geometry g = Place();
            double along = ((g.x - start.x) * dx + (g.y - start.y) * dy) / length;
            backwards += along < furthest - 3 ? 1 : 0;
            furthest = std::max(furthest, along);
        }
        desktop_.Button(1, false);
        EXPECT_EQ(backwards, 0) << "drag by " << dx << "," << dy << " jumped back";
        // It ends where the pointer let go, and stays there (the pointer is on its centre).
        // One walk step (3 px) of slack: on a loaded machine Wine can report the pointer where
        // it was up to 100 ms earlier to the first tick after the drag.
        auto there = [&] {
            Geometry g = Place();
            return std::abs(g.x - (start.x + dx)) <= 3 && std::abs(g.y - (start.y + dy)) <= 3;
        };
        EXPECT_TRUE(WaitUntil(there, 5s))
            << "drag by " << dx << "," << dy << " from " << start.x << "," << start.y
            << " ended at " << Place().x << "," << Place().y;
        std::this_thread::sleep_for(400ms);
        EXPECT_TRUE(there()) << "drag by " << dx << "," << dy << " did not stay";
    }
    ExpectNoWindowManagerHold();
    EXPECT_EQ(desktop_.KeyboardFocus(), focus) << "a drag took the keyboard focus";

    DoubleClickPet();
    std::vector<int> death = WatchFrames(kDeathFrames, 10s, 146);
    EXPECT_GE(death.size(), 4u) << "the death frames, recognised by their shapes";
    EXPECT_TRUE(pet_->WaitForExit(20s)) << "the program did not end";
}

TEST_F(PetEndToEnd, ARightClickShowsSoundsCheckedASeparatorAndDie) {
    WaitUntilWalking();
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
    WaitUntilWalking();
    auto menu = OpenMenu();
    ASSERT_TRUE(menu);
    ClickMenuAt(*menu, 0.25); // "Sounds"
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    ExpectChecks(*menu, {false, false});
    ClickMenuAt(*menu, 0.25);
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    ExpectChecks(*menu, {true, false});
    // Dismissed: nothing changes, and the pet lives on.
    DismissMenu(*menu);
    menu = OpenMenu();
    ASSERT_TRUE(menu);
    ExpectChecks(*menu, {true, false});
    DismissMenu(*menu);
    EXPECT_TRUE(WatchFrames(kDeathFrames, 500ms).empty());
    EXPECT_TRUE(pet_->Running());
    ExpectNoWindowManagerHold();
}

TEST_F(PetEndToEnd, DieFromTheMenuShowsTheDeathFramesAndTheProgramEnds) {
    WaitUntilWalking();
    auto menu = OpenMenu();
    ASSERT_TRUE(menu);
    ClickMenuAt(*menu, 0.8); // "Die"
    auto requested = Clock::now();
    desktop_.MovePointer(1200, 900);
    std::vector<int> death = WatchFrames(kDeathFrames, 10s, 146);
    EXPECT_GE(death.size(), 4u);
    ASSERT_TRUE(pet_->WaitForExit(20s)) << "the program did not end";
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requested);
    EXPECT_GE(took.count(), 3500);
    EXPECT_LE(took.count(), 15000);
}

TEST_F(PetEndToEnd, TheMenuTakesTheKeysWhileOpenAndGivesTheKeyboardBack) {
    WaitUntilWalking();
    Witness witness({700, 80, 320, 200}, desktop_.WindowManagerRuns());
    if (desktop_.WindowManagerRuns()) {
        ASSERT_TRUE(WaitUntil([&] { return desktop_.KeyboardFocus() == witness.Id(); }, 10s))
            << "the witness window never got the focus";
    }
    ::Window focus = desktop_.KeyboardFocus();
    // After the menu, the user's window has the keyboard again: the focus is back with it, or
    // on a desktop without a window manager the keyboard follows the pointer, as before.
    auto keyboardBack = [&] {
        return desktop_.WindowManagerRuns() ? desktop_.KeyboardFocus() == focus
                                            : desktop_.KeyboardFollowsPointer();
    };
    auto typeIntoWitness = [&] {
        if (!desktop_.WindowManagerRuns()) {
            desktop_.MovePointer(860, 180);
        }
        int before = witness.KeysReceived();
        screen_.PressKey("k");
        return WaitUntil([&] { return witness.KeysReceived() == before + 1; }, 5s);
    };

    // Escape closes it without a choice; no key reaches the witness meanwhile.
    auto menu = OpenMenu(Input::Keys);
    ASSERT_TRUE(menu);
    screen_.PressKey("x"); // no item's access key: the menu stays
    screen_.PressKey("Down");
    screen_.PressKey("Up");
    screen_.PressKey("Escape");
    WaitUntilGone(*menu);
    EXPECT_EQ(witness.KeysReceived(), 0) << "keys leaked to the witness window";
    EXPECT_TRUE(WaitUntil(keyboardBack, 5s)) << "focus " << desktop_.KeyboardFocus();
    EXPECT_TRUE(typeIntoWitness()) << "the witness does not get the keyboard back";

    // Down and Return choose the first item, "Sounds": its check mark goes.
    int typed = witness.KeysReceived();
    menu = OpenMenu(Input::Keys);
    ASSERT_TRUE(menu);
    screen_.PressKey("Down");
    screen_.PressKey("Return");
    WaitUntilGone(*menu);
    menu = OpenMenu(Input::Keys);
    ASSERT_TRUE(menu);
    ExpectChecks(*menu, {false, false});
    // S chooses "Sounds" again: the check mark is back.
    screen_.PressKey("s");
    WaitUntilGone(*menu);
    menu = OpenMenu(Input::Keys);
    ASSERT_TRUE(menu);
    ExpectChecks(*menu, {true, false});
    // A click elsewhere closes it.
    DismissMenu(*menu);
    EXPECT_EQ(witness.KeysReceived(), typed) << "keys leaked to the witness window";
    EXPECT_TRUE(WaitUntil(keyboardBack, 5s)) << "focus " << desktop_.KeyboardFocus();
    ExpectNoWindowManagerHold();

    // D chooses "Die".
    menu = OpenMenu(Input::Keys);
    ASSERT_TRUE(menu);
    screen_.PressKey("d");
    WaitUntilGone(*menu);
    EXPECT_GE(WatchFrames(kDeathFrames, 10s, 146).size(), 4u);
    EXPECT_TRUE(pet_->WaitForExit(20s)) << "the program did not end";
    EXPECT_EQ(witness.KeysReceived(), typed) << "keys leaked to the witness window";
}

TEST_F(PetEndToEnd, ItStaysAboveOtherWindowsAndOnEveryWorkspace) {
    if (!desktop_.WindowManagerRuns()) {
        GTEST_SKIP() << "no window manager: X stacks windows in the order their programs raise "
                        "them, and nothing keeps one above another";
    }
    WaitUntilWalking();
    Geometry pet = Place();
    // The pet shows at full strength over a white window behind it.
    auto petOnTop = [&] {
        Geometry g = Place();
        auto frame = FrameOfShape(desktop_.ShapeOf(window_), kSeries101);
        if (!frame) {
            return false;
        }
        std::vector<Pixel> screen = desktop_.Capture(g);
        return FrameOfShape(desktop_.ShapeOf(window_), kSeries101) == frame &&
               OpacityOnScreen(screen, g, *frame, {255, 255, 255}) > 0.9;
    };
    // A white window over the pet's place, raised and clicked beside the pet.
    Witness window({pet.x - 40, pet.y - 40, pet.width + 200, pet.height + 80},
                   desktop_.WindowManagerRuns());
    window.Raise();
    desktop_.MovePointer(pet.x + pet.width + 100, pet.y + 10);
    desktop_.Click(1);
    window.Raise();
    PointAtCentre();
    EXPECT_TRUE(WaitUntil(petOnTop, 5s)) << "the pet is hidden under an ordinary window";
    // The same window full screen.
    window.FullScreen();
    EXPECT_TRUE(WaitUntil([&] { return desktop_.GeometryOf(window.Id()).width == 1280; }, 5s));
    PointAtCentre();
    if (ProgramUnderTest() == PetProgram::Native) {
        // The native pet keeps above ordinary windows only, as EWMH's "above" state does: a
        // full-screen window (a film, a game) covers it.
        EXPECT_TRUE(WaitUntil([&] { return !petOnTop(); }, 5s))
            << "the pet shows over a full-screen window";
    } else {
        EXPECT_TRUE(WaitUntil(petOnTop, 5s)) << "the pet is hidden under a full-screen window";
    }
    // On another workspace it is still there.
    long workspace = desktop_.CurrentWorkspace();
    desktop_.SwitchWorkspace(workspace + 1);
    ASSERT_TRUE(WaitUntil([&] { return desktop_.CurrentWorkspace() == workspace + 1; }, 5s));
    EXPECT_TRUE(desktop_.IsMapped(window_)) << "the pet stayed on the first workspace";
    desktop_.SwitchWorkspace(workspace);
    WaitUntil([&] { return desktop_.CurrentWorkspace() == workspace; }, 5s);
    ExpectNoWindowManagerHold();
}

// The opacity the pet shows on the composited screen, sampled as fast as the screen can be
// read, with the layered alpha the window system was last given (_NET_WM_WINDOW_OPACITY).
struct OpacitySample {
    Clock::time_point at;
    double screen;
    double property;
};

TEST_F(PetEndToEnd, OnAComposedDesktopItFadesInAndAfterDeathFadesOut) {
    if (!desktop_.CompositorRuns()) {
        GTEST_SKIP() << "no compositor: window opacity does not show on this desktop";
    }
    Pixel background = Background();
    auto sample = [&](int frame, std::vector<OpacitySample>& samples) {
        Geometry g = Place();
        double property = desktop_.OpacityProperty(window_);
        double screen = OpacityOnScreen(desktop_.Capture(g), g, frame, background);
        samples.push_back({Clock::now(), screen, property});
    };
    // The fade-in: frame 101 in place from transparent to opaque.
    std::vector<OpacitySample> in;
    auto end = Clock::now() + 15s; // a starved machine stretches the fade's 10 ms steps
    // Until both the screen and the opacity set are opaque: a screen that shows the pet opaque
    // while the program still fades it in is a flash the samples after it show.
    while (Clock::now() < end &&
           (in.size() < 3 || in.back().screen < 0.99 || in.back().property < 0.99)) {
        sample(101, in);
    }
    // From the first sample in which the layered alpha shows as transparent.
    auto first = std::find_if(in.begin(), in.end(),
                              [](auto& s) { return s.property < 0.1 && s.screen < 0.1; });
    ASSERT_NE(first, in.end()) << "the pet never showed transparent";
    auto opaque = std::find_if(first, in.end(), [](auto& s) { return s.screen > 0.98; });
    ASSERT_NE(opaque, in.end()) << "the pet never became opaque";
    double rise = std::chrono::duration<double>(opaque->at - first->at).count();
    std::cout << "fade-in: transparent to opaque in " << rise << " s, "
              << std::distance(first, opaque) << " samples\n";
    // What was seen, for a failure's message: each sample's time, screen and set opacity.
    std::ostringstream seen;
    const auto shown = std::distance(first, opaque) + 4;
    for (auto s = first; s != in.end() && std::distance(first, s) < shown; ++s) {
        seen << "\n  " << std::chrono::duration<double>(s->at - first->at).count() << " s: screen "
             << s->screen << ", set " << s->property;
    }
    EXPECT_GT(rise, 0.35) << "52 steps of 5/255, 10 ms apart; seen:" << seen.str();
    EXPECT_LT(rise, 12.0) << "about half a second on an idle machine";
    int levels = 0;
    double last = first->screen;
    for (auto s = first; s != opaque; ++s) {
        EXPECT_GT(s->screen, last - 0.03) << "the fade-in went back";
        levels += s->screen > last + 0.01 ? 1 : 0;
        last = std::max(last, s->screen);
    }
    EXPECT_GE(levels, 8) << "a gradual rise, not a jump; seen:" << seen.str();
    // What shows is an alpha the program set shortly before: within 0.02 of the range of the
    // alphas read in the second before (the compositor repaints some time after each change, a
    // fraction of a second on a loaded machine, and a fast step can fall between two reads).
    // A sample's picture is taken after its alpha was read, and before the next sample's: the
    // alpha the picture shows may be as late as that one.
    for (auto s = first; s != opaque; ++s) {
        double low = 2, high = -1;
        Clock::time_point taken = std::next(s)->at;
        for (const OpacitySample& p : in) {
            if (p.at <= taken && s->at - p.at < 1s) {
                low = std::min(low, p.property);
                high = std::max(high, p.property);
            }
        }
        EXPECT_TRUE(s->screen >= low - 0.02 && s->screen <= high + 0.02)
            << "on screen " << s->screen << ", set " << low << " to " << high;
    }

    // The fade-out after the death hold: frame 146 from opaque down to 1/255, then gone.
    WaitUntilWalking();
    DoubleClickPet();
    ASSERT_TRUE(
        WaitUntil([&] { return FrameOfShape(desktop_.ShapeOf(window_), {146}).has_value(); }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return desktop_.OpacityProperty(window_) < 1.0; }, 10s, 5ms));
    std::vector<OpacitySample> out;
    while (desktop_.IsMapped(window_) && out.size() < 10000) {
        try {
            sample(146, out);
        } catch (const std::runtime_error&) {
            // The window went between the look and the picture: the fade-out is over.
            if (desktop_.IsMapped(window_)) {
                throw;
            }
            break;
        }
    }
    ASSERT_GE(out.size(), 10u);
    auto faint = std::find_if(out.begin(), out.end(), [](auto& s) { return s.screen < 0.02; });
    ASSERT_NE(faint, out.end()) << "the pet never faded out";
    double fall = std::chrono::duration<double>(faint->at - out.front().at).count();
    std::cout << "fade-out: opaque to " << faint->screen << " in " << fall << " s\n";
    EXPECT_GT(fall, 0.9) << "128 steps of 2/255, 10 ms apart";
    EXPECT_LT(fall, 15.0) << "about 1.3 s on an idle machine";
    EXPECT_GT(out.front().screen, 0.9);
    // While the window shows, its alpha falls to the faint end of the fade and never reaches 0
    // (the window is hidden after alpha 1). The last steps are 10 ms apart: a loaded machine
    // may read 3/255 last, so the exact sequence down to 1 is the fake backend's test.
    double lowest = std::min_element(out.begin(), out.end(), [](auto& a, auto& b) {
                        return a.property < b.property;
                    })->property;
    EXPECT_GT(lowest, 0.5 / 255) << "alpha 0 applied while the window showed";
    EXPECT_LT(lowest, 5.5 / 255) << "the alpha never came down to the fade's faint end";
    EXPECT_TRUE(pet_->WaitForExit(10s));
}

// The move sound is 0.2 s long, the death sound about 1 s.
bool IsMoveSound(const sound::Stretch& s) {
    return s.Milliseconds() < 400;
}
bool IsDeathSound(const sound::Stretch& s) {
    return s.Milliseconds() > 700;
}

TEST_F(PetEndToEnd, TheMoveSoundComesEvery400MsFromTheLeftAndTheDeathSoundOnDeath) {
    WaitUntilWalking();
    sound::Recorder recorder;
    ASSERT_TRUE(recorder.Started()) << "parec did not start";
    std::this_thread::sleep_for(5000ms); // about 12 cycles of the walk; a starved one fewer
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
    WaitUntilWalking();
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
    EXPECT_TRUE(pet_->WaitForExit(20s)) << "it still dies, silently";
}

// The streams the sound server plays for its clients now.
int SinkInputs() {
    std::unique_ptr<FILE, int (*)(FILE*)> list(popen("pactl list short sink-inputs", "r"), pclose);
    int lines = 0;
    for (int c; list && (c = std::fgetc(list.get())) != EOF;) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

// How the desktop asks the native program to end: a signal, or the window manager's close.
enum class EndRequest { Term, Hup, Int, ManagerClose };

class NativeEndRequests : public PetEndToEnd {
  protected:
    void SetUp() override {
        if (ProgramUnderTest() != PetProgram::Native) {
            GTEST_SKIP() << "the Windows program gets WM_CLOSE and WM_ENDSESSION from the system";
        }
        PetEndToEnd::SetUp();
    }

    void Request(EndRequest request) {
        switch (request) {
        case EndRequest::Term:
            pet_->Signal(SIGTERM);
            break;
        case EndRequest::Hup:
            pet_->Signal(SIGHUP);
            break;
        case EndRequest::Int:
            pet_->Signal(SIGINT);
            break;
        case EndRequest::ManagerClose:
            desktop_.CloseByWindowManager(window_);
            break;
        }
    }

    // The window's opacity, read until the window goes; the readings in order.
    std::vector<double> OpacityUntilGone(std::chrono::milliseconds limit) {
        std::vector<double> readings;
        auto end = Clock::now() + limit;
        while (Clock::now() < end && desktop_.IsMapped(window_)) {
            double opacity = desktop_.OpacityProperty(window_);
            // A window gone meanwhile reads as having no opacity set: not a reading.
            if (desktop_.IsMapped(window_)) {
                readings.push_back(opacity);
            }
            std::this_thread::sleep_for(5ms);
        }
        return readings;
    }
};

// Each request, while the pet fades in and while it walks: the program's own shutdown runs
// (the fade-out, down from opaque), it ends with status 0 and leaves nothing behind: its
// single-instance selection is free and the sound server plays no stream of it.
TEST_F(NativeEndRequests, EachRequestToEndFadesThePetOutAndEndsItCleanly) {
    const bool managed = desktop_.WindowManagerRuns();
    bool first = true;
    for (EndRequest request :
         {EndRequest::Term, EndRequest::Hup, EndRequest::Int, EndRequest::ManagerClose}) {
        if (request == EndRequest::ManagerClose && !managed) {
            continue; // nobody to send it
        }
        for (bool walking : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "request " << static_cast<int>(request)
                                              << (walking ? ", walking" : ", fading in"));
            if (!first) {
                ASSERT_TRUE(WaitUntil([&] { return SinkInputs() == 0; }, 10s));
                Launch();
            }
            first = false;
            if (walking) {
                WaitUntilWalking();
            } else {
                ASSERT_TRUE(
                    WaitUntil([&] { return desktop_.OpacityProperty(window_) < 0.9; }, 20s, 2ms))
                    << "the fade-in was not seen";
            }
            Request(request);
            std::vector<double> opacity = OpacityUntilGone(30s);
            auto status = pet_->WaitForExit(20s);
            ASSERT_TRUE(status) << "the program did not end";
            EXPECT_EQ(*status, 0);
            // Opaque (the fade-in, if under way, ends first), then faded out.
            auto opaque =
                std::find_if(opacity.begin(), opacity.end(), [](double a) { return a > 0.95; });
            ASSERT_NE(opaque, opacity.end()) << "never opaque after the request";
            EXPECT_TRUE(std::any_of(opaque, opacity.end(), [](double a) { return a < 0.2; }))
                << "no fade-out";
            EXPECT_FALSE(desktop_.SelectionHasOwner("_JELLOP_S0"));
            EXPECT_TRUE(WaitUntil([&] { return SinkInputs() == 0; }, 10s)) << "a stream was left";
        }
    }
}

// Asked again while it fades out, the program ends at once, the fade-out cut short.
TEST_F(NativeEndRequests, ASecondRequestDuringTheFadeOutEndsItAtOnce) {
    WaitUntilWalking();
    pet_->Signal(SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return desktop_.OpacityProperty(window_) < 0.9; }, 20s, 2ms))
        << "the fade-out did not start";
    pet_->Signal(SIGTERM);
    std::vector<double> opacity = OpacityUntilGone(30s);
    auto status = pet_->WaitForExit(20s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    ASSERT_FALSE(opacity.empty());
    // The whole fade-out would have gone down to 1/255.
    EXPECT_GT(opacity.back(), 0.3) << "the fade-out ran to its end";
    EXPECT_FALSE(desktop_.SelectionHasOwner("_JELLOP_S0"));
}

} // namespace
} // namespace e2e
