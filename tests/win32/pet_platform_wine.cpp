// The win32 backend of the pet's platform concerns under Wine: timers driven by the message
// loop, errors raised in callbacks, window styles and layered attributes, pop-up menu check
// marks, the single-instance name and the pointer.
#include <gtest/gtest.h>

#include <windows.h>
#undef GetWindowLong
#undef SetWindowLong
#undef PostMessage
#undef SendMessage

#include <chrono>
#include <vector>

#include "platform/input.h"
#include "platform/instance.h"
#include "platform/layered.h"
#include "platform/menu.h"
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

// Moving, sizing or showing a form never activates it, whatever flags the caller passes: the
// system's own move loop passes none, and an activated pet would take the keyboard focus
// (and, under Wine, be handed to the window manager for good).
TEST(PetPlatformWine, AFormIsNeverActivatedByBeingMovedOrShown) {
    platform::Window window = MakeWindow();
    HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window.get()));
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
    for (long long gap : gaps) {
        EXPECT_GE(gap, 35);
        EXPECT_LE(gap, 500);
    }
}

TEST(PetPlatformWine, AnErrorInATimerTickComesOutOfTheLoopNotThroughTheSystem) {
    runtime::Timer timer([] { runtime::Raise(326, "Resource with identifier '7' not found"); }, 20);
    timer.SetEnabled(true);
    try {
        platform::RunMessageLoop([] { return false; });
        ADD_FAILURE() << "the loop ended without the error";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), 326);
    }
    timer.SetEnabled(false);
    EXPECT_FALSE(platform::ExceptionPending());
    platform::PumpPendingMessages(); // a tick left in the queue finds its timer gone
}

TEST(PetPlatformWine, APostedCloseReachesTheWindowsHandler) {
    platform::Window window = MakeWindow();
    int closes = 0;
    platform::SetMessageHandler(window.get(), [&](const platform::Message& message) {
        if (message.id == platform::kWmClose) {
            ++closes;
            return std::optional<std::intptr_t>(0);
        }
        return std::optional<std::intptr_t>();
    });
    ASSERT_TRUE(platform::PostMessage(window.get(), platform::kWmClose, 0, 0));
    platform::PumpPendingMessages();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(platform::IsWindow(window.get())) << "the handler took the close request";
    platform::SetMessageHandler(window.get(), {});
}

// While the error message box is up no callback runs, but the form windows must still be
// painted and get default processing: a WM_PAINT answered without painting comes back at once,
// and the message box's loop would spin on it.
TEST(PetPlatformWine, OnceCallbacksAreStoppedAFormWindowStillPaintsAndHitTests) {
    platform::Window window = MakeWindow();
    HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window.get()));
    int handled = 0;
    platform::SetMessageHandler(window.get(), [&](const platform::Message&) {
        ++handled;
        return std::optional<std::intptr_t>();
    });
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
    EXPECT_EQ(handled, 0);
    platform::SetMessageHandler(window.get(), {});
}

TEST(PetPlatformWine, TheLayeredStyleAndAttributesRoundTrip) {
    EXPECT_EQ(platform::GetVersionExPlatformId(), 2);
    platform::Window window = MakeWindow();
    std::int32_t style = platform::GetWindowLong(window.get(), platform::kGwlExStyle);
    EXPECT_TRUE(style & platform::kWsExToolWindow);
    EXPECT_FALSE(platform::SetLayeredWindowAttributes(window.get(), 0, 100, platform::kLwaAlpha))
        << "refused while the window is not layered";

    platform::SetWindowLong(window.get(), platform::kGwlExStyle, style | platform::kWsExLayered);
    EXPECT_TRUE(platform::SetLayeredWindowAttributes(window.get(), 0, 100, platform::kLwaAlpha));
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window.get())),
                               nullptr, &alpha, &flags);
    EXPECT_EQ(alpha, 100);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

    platform::SetWindowLong(window.get(), platform::kGwlExStyle, style);
    EXPECT_EQ(platform::GetWindowLong(window.get(), platform::kGwlExStyle), style);
}

TEST(PetPlatformWine, MenuCheckMarksReadBack) {
    platform::Menu menu = platform::CreatePopupMenu();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 1, "&Sounds"));
    ASSERT_TRUE(platform::AppendMenuSeparator(menu.get()));
    ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 2, "&Die"));
    EXPECT_EQ(platform::CheckMenuItem(menu.get(), 1, true), 0);
    EXPECT_TRUE(platform::IsMenuItemChecked(menu.get(), 1));
    EXPECT_FALSE(platform::IsMenuItemChecked(menu.get(), 2));
    EXPECT_EQ(platform::CheckMenuItem(menu.get(), 1, false), 8);
    EXPECT_FALSE(platform::IsMenuItemChecked(menu.get(), 1));
    EXPECT_EQ(platform::CheckMenuItem(menu.get(), 9, true), -1);
}

TEST(PetPlatformWine, TheSecondClaimOfTheNameFindsTheFirst) {
    const std::string name = "DesktopJellop.WineTest." + std::to_string(GetCurrentProcessId());
    {
        platform::InstanceClaim first(name);
        EXPECT_FALSE(first.AnotherInstanceRunning());
        platform::InstanceClaim second(name);
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    platform::InstanceClaim again(name);
    EXPECT_FALSE(again.AnotherInstanceRunning()) << "the name is free once its holders are gone";
}

TEST(PetPlatformWine, ThePointerPositionFollowsTheSystem) {
    ASSERT_TRUE(SetCursorPos(123, 234));
    platform::PointerPosition position;
    ASSERT_TRUE(platform::GetCursorPos(position));
    EXPECT_EQ(position, (platform::PointerPosition{123, 234}));
    EXPECT_TRUE(platform::ReleaseCapture());
}

} // namespace
