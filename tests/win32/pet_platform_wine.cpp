// The win32 backend of the pet's platform concerns under Wine: timers driven by the message
// loop, window messages turned into the form's events, the Win32 calls behind opacity and the
// topmost band, and the pointer.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <vector>

#include "platform/input.h"
#include "platform/layered.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/timer.h"

namespace {

using Clock = std::chrono::steady_clock;

platform::Window MakeWindow() {
    return platform::CreateFormWindow("PetProbe", 50, 60, 40, 30);
}

HWND Native(const platform::Window& window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window.get()));
}

// Moving, sizing or showing a form never activates it, whatever flags the caller passes: the
// system's own move loop passes none, and an activated pet would take the keyboard focus
// (and, under Wine, be handed to the window manager for good).
TEST(PetPlatformWine, AFormIsNeverActivatedByBeingMovedOrShown) {
    platform::Window window = MakeWindow();
    HWND hwnd = Native(window);
    SetActiveWindow(nullptr);
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_TOPMOST, 70, 80, 40, 30, SWP_SHOWWINDOW));
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 90, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    platform::PumpPendingMessages();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetActiveWindow(), hwnd);
    EXPECT_NE(GetForegroundWindow(), hwnd);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 90) << "the move itself still happens";
}

TEST(PetPlatformWine, TimersTickFromTheMessageLoopAndCanStopIt) {
    int ticks = 0;
    std::vector<long long> gaps;
    auto last = Clock::now();
    runtime::Timer timer(
        [&] {
            auto now = Clock::now();
            gaps.push_back(
                std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
            last = now;
            ++ticks;
        },
        50);
    timer.SetEnabled(true);
    platform::RunMessageLoop([&] { return ticks == 5; });
    timer.SetEnabled(false);
    EXPECT_EQ(ticks, 5);
    // A tick handed over late makes the gap before it longer and the one after it shorter (the
    // next one falls due on the timer's own schedule); a tick made up for a missed one would come
    // at once after the one before.
    for (long long gap : gaps) {
        EXPECT_GE(gap, 10);
        EXPECT_LE(gap, 500);
    }
}

// The messages a form window gets become its events: the button, the shift keys and the
// signed client position of a press, double-clicks of each button, a close request, and the
// end of the session only when it really ends. A click never activates the window.
TEST(PetPlatformWine, WindowMessagesBecomeTheWindowsEvents) {
    platform::Window window = MakeWindow();
    std::vector<platform::ButtonPress> downs, doubles;
    int closes = 0, sessionEnds = 0;
    platform::WindowEvents events;
    events.buttonDown = [&](const platform::ButtonPress& press) { downs.push_back(press); };
    events.doubleClick = [&](const platform::ButtonPress& press) { doubles.push_back(press); };
    events.closeRequest = [&] { ++closes; };
    events.sessionEnd = [&] { ++sessionEnds; };
    platform::SetWindowEvents(window.get(), events);
    HWND hwnd = Native(window);

    PostMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(-3, 7));
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 9));
    PostMessageA(hwnd, WM_MBUTTONDOWN, MK_MBUTTON | MK_SHIFT, MAKELPARAM(1, 2));
    PostMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(12, 9));
    PostMessageA(hwnd, WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(4, 5));
    PostMessageA(hwnd, WM_ENDSESSION, FALSE, 0); // the session goes on after all
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    platform::PumpPendingMessages();
    SendMessageA(hwnd, WM_ENDSESSION, TRUE, 0);

    using platform::MouseButton;
    EXPECT_EQ(downs,
              (std::vector<platform::ButtonPress>{{MouseButton::Right, true, true, -3, 7},
                                                  {MouseButton::Left, false, false, 12, 9},
                                                  {MouseButton::Middle, true, false, 1, 2}}));
    EXPECT_EQ(doubles,
              (std::vector<platform::ButtonPress>{{MouseButton::Left, false, false, 12, 9},
                                                  {MouseButton::Middle, false, false, 4, 5}}));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(sessionEnds, 1);
    EXPECT_TRUE(platform::IsWindow(window.get())) << "the close event took the close request";
    EXPECT_EQ(SendMessageA(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(hwnd),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);

    // Without events the window system's own handling applies: a close destroys the window.
    platform::SetWindowEvents(window.get(), {});
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(platform::IsWindow(window.get()));
    (void)window.release();
}

// While the error message box is up no callback runs, but the form windows must still be
// painted and get default processing: a WM_PAINT answered without painting comes back at once,
// and the message box's loop would spin on it.
TEST(PetPlatformWine, OnceCallbacksAreStoppedAFormWindowStillPaintsAndHitTests) {
    platform::Window window = MakeWindow();
    HWND hwnd = Native(window);
    int handled = 0;
    platform::WindowEvents events;
    events.buttonDown = [&](const platform::ButtonPress&) { ++handled; };
    events.closeRequest = [&] { ++handled; };
    platform::SetWindowEvents(window.get(), events);
    platform::ShowWindow(window.get(), true);
    platform::PumpPendingMessages();
    handled = 0;

    platform::StopCallbacks();
    struct Restart {
        ~Restart() { platform::detail::ResetCallbackState(); }
    } restart;
    InvalidateRect(hwnd, nullptr, TRUE);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE)) << "painted, so not asked again";
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(60, 70)), HTCLIENT);
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(handled, 0);
    platform::SetWindowEvents(window.get(), {});
}

// SetLayered changes the one style bit; SetOpacity passes LWA_COLORKEY only with a key (and
// colour 0 without one) and LWA_ALPHA only below 255.
TEST(PetPlatformWine, OpacityIsTheLayeredStyleBitAndTheLayeredAttributes) {
    EXPECT_EQ(platform::SystemPlatformId(), 2);
    platform::Window window = MakeWindow();
    HWND hwnd = Native(window);
    LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(platform::SetOpacity(window.get(), 100, std::nullopt))
        << "refused while the window is not layered";

    ASSERT_TRUE(platform::SetLayered(window.get(), true));
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE), style | WS_EX_LAYERED);
    struct Case {
        std::uint8_t alpha;
        std::optional<std::uint32_t> key;
        COLORREF colour;
        DWORD flags;
    };
    for (Case c : {Case{100, std::nullopt, 0, LWA_ALPHA}, Case{255, std::nullopt, 0, 0},
                   Case{255, 0x00FF00u, 0x00FF00, LWA_COLORKEY},
                   Case{10, 0x0000FFu, 0x0000FF, LWA_COLORKEY | LWA_ALPHA}}) {
        EXPECT_TRUE(platform::SetOpacity(window.get(), c.alpha, c.key));
        COLORREF colour = 1;
        BYTE alpha = 0;
        DWORD flags = 7;
        ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &colour, &alpha, &flags));
        EXPECT_EQ(flags, c.flags) << "alpha " << int(c.alpha);
        if (c.flags & LWA_ALPHA) {
            EXPECT_EQ(alpha, c.alpha);
        }
        if (c.flags & LWA_COLORKEY) {
            EXPECT_EQ(colour, c.colour);
        }
    }

    ASSERT_TRUE(platform::SetLayered(window.get(), false));
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE), style) << "every other bit as it was";
}

// SetTopmost re-applies the rectangle, shows even a hidden window and never activates it.
TEST(PetPlatformWine, TopmostPlacesAndShowsWithoutActivating) {
    platform::Window window = MakeWindow();
    HWND hwnd = Native(window);
    SetActiveWindow(nullptr);
    ASSERT_TRUE(platform::SetTopmost(window.get(), true, {70, 80, 110, 115}));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(platform::GetWindowRect(window.get()), (platform::PixelRect{70, 80, 110, 115}));
    EXPECT_NE(GetActiveWindow(), hwnd);

    platform::ShowWindow(window.get(), false);
    ASSERT_TRUE(platform::SetTopmost(window.get(), false, {70, 80, 110, 115}));
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(hwnd)) << "shown on every call, even after a hide";
}

TEST(PetPlatformWine, ThePointerPositionFollowsTheSystem) {
    ASSERT_TRUE(SetCursorPos(123, 234));
    platform::PointerPosition position;
    ASSERT_TRUE(platform::GetCursorPos(position));
    EXPECT_EQ(position, (platform::PointerPosition{123, 234}));
}

} // namespace
