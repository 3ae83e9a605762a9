// The message layer on the fake platform in virtual time: timers, queued and scheduled input,
// the modal loops of a drag and of a pop-up menu, and errors raised inside callbacks.
#include <gtest/gtest.h>

#include <vector>

#include "fake_platform_reset.h"
#include "platform/app.h"
#include "platform/fake/fake_messages.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "runtime/menu.h"
#include "runtime/program.h"
#include "runtime/timer.h"

namespace {

using platform::TickCount;

class MessageLoop : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::ResetFakePlatform(); }
    void TearDown() override { testing_support::ResetFakePlatform(); }

    platform::Window MakeWindow() { return platform::CreateFormWindow("Form1", 100, 100, 40, 30); }
};

TEST_F(MessageLoop, TimerControlRestartsOnANewIntervalButNotOnASecondEnable) {
    std::vector<std::uint32_t> ticks;
    runtime::Timer timer([&] { ticks.push_back(TickCount()); }, 100);
    EXPECT_FALSE(timer.Running());
    timer.SetEnabled(true);
    platform::fake::RunFor(150);
    timer.SetEnabled(true); // already on: the count goes on
    platform::fake::RunFor(60);
    EXPECT_EQ(ticks, (std::vector<std::uint32_t>{100, 200}));

    timer.SetInterval(2000); // counts afresh from now (210)
    platform::fake::RunFor(2100);
    EXPECT_EQ(ticks, (std::vector<std::uint32_t>{100, 200, 2210}));

    timer.SetInterval(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(100);
    timer.SetEnabled(false);
    platform::fake::RunFor(500);
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_TRUE(platform::fake::RunningTimers().empty());
}

TEST_F(MessageLoop, ATimerMayStopItselfAndAnotherFromItsTick) {
    int aTicks = 0, bTicks = 0;
    runtime::Timer b([&] { ++bTicks; }, 100);
    runtime::Timer a(
        [&] {
            ++aTicks;
            a.SetEnabled(false);
            b.SetEnabled(true);
        },
        50);
    a.SetEnabled(true);
    platform::fake::RunFor(1000);
    EXPECT_EQ(aTicks, 1);
    EXPECT_EQ(bTicks, 9); // from 150 to 950
}

TEST_F(MessageLoop, EventsGoBeforeTimerTicksAndReachTheWindowsEvents) {
    platform::Window window = MakeWindow();
    std::vector<std::string> seen;
    platform::WindowEvents events;
    events.closeRequest = [&] { seen.push_back("close"); };
    platform::SetWindowEvents(window.get(), events);
    runtime::Timer timer([&] { seen.push_back("tick"); }, 100);
    timer.SetEnabled(true);
    platform::Sleep(100);
    platform::fake::RequestClose(window.get());
    runtime::DoEvents();
    EXPECT_EQ(seen, (std::vector<std::string>{"close", "tick"}));
    EXPECT_TRUE(platform::IsWindow(window.get())) << "the event took the close request";

    // Without a close event the window system's own handling destroys the window.
    platform::SetWindowEvents(window.get(), {});
    platform::fake::RequestClose(window.get());
    runtime::DoEvents();
    EXPECT_FALSE(platform::IsWindow(window.get()));
    (void)window.release();
}

TEST_F(MessageLoop, ScheduledInputArrivesWhenTheClockGetsThere) {
    platform::Window window = MakeWindow();
    std::vector<std::pair<std::uint32_t, platform::ButtonPress>> downs, doubles;
    platform::WindowEvents events;
    events.buttonDown = [&](const platform::ButtonPress& press) {
        downs.emplace_back(TickCount(), press);
    };
    events.doubleClick = [&](const platform::ButtonPress& press) {
        doubles.emplace_back(TickCount(), press);
    };
    platform::SetWindowEvents(window.get(), events);
    platform::fake::ScheduleAt(250, [&] {
        platform::fake::SetCursorPos(120, 110);
        platform::fake::DoubleClick(window.get(), platform::MouseButton::Left);
    });
    platform::fake::RunFor(1000);
    const platform::ButtonPress press{platform::MouseButton::Left, false, false, 20, 10};
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], std::make_pair(250u, press)) << "the pointer relative to the window";
    ASSERT_EQ(doubles.size(), 1u);
    EXPECT_EQ(doubles[0].second, press);
    EXPECT_EQ(TickCount(), 1000u);
}

TEST_F(MessageLoop, TheLoopReturnsWhenNothingCanHappenAnyMore) {
    platform::RunMessageLoop([] { return false; });
    EXPECT_EQ(TickCount(), 0u);
}

TEST_F(MessageLoop, AMoveFollowsThePointerWhileTimersTick) {
    platform::Window window = MakeWindow();
    std::vector<platform::PixelRect> seenByTicks;
    runtime::Timer timer([&] { seenByTicks.push_back(platform::GetWindowRect(window.get())); },
                         100);
    timer.SetEnabled(true);
    platform::fake::SetCursorPos(110, 110);
    platform::fake::ScriptDrag({{150, 210, 160}, {400, 310, 60}});

    platform::BeginSystemDrag(window.get());
    EXPECT_EQ(TickCount(), 400u) << "the drag returns when the button is released";
    EXPECT_EQ(platform::GetWindowRect(window.get()), (platform::PixelRect{300, 50, 340, 80}));
    ASSERT_EQ(seenByTicks.size(), 4u);
    EXPECT_EQ(seenByTicks[0].left, 100);
    EXPECT_EQ(seenByTicks[1].left, 200);
    ASSERT_EQ(platform::fake::Drags().size(), 1u);
    EXPECT_EQ(platform::fake::Drags()[0].to, (platform::PointerPosition{310, 60}));

    // With no button held the drag ends at once.
    platform::BeginSystemDrag(window.get());
    EXPECT_EQ(TickCount(), 400u);
    EXPECT_EQ(platform::fake::Drags().size(), 2u);
}

TEST_F(MessageLoop, APopupMenuRunsTheChosenItemBeforeItReturns) {
    platform::Window window = MakeWindow();
    std::vector<std::string> log;
    runtime::MenuItem top("&Options");
    runtime::MenuItem one("&One", [&] { log.push_back("one clicked"); });
    runtime::MenuItem blank("-");
    runtime::MenuItem two("&Two", [&] { log.push_back("two clicked"); });
    one.SetChecked(true);
    top.Add(one);
    top.Add(blank);
    top.Add(two);
    runtime::Timer timer([&] { log.push_back("tick"); }, 100);
    timer.SetEnabled(true);

    platform::fake::SetCursorPos(130, 120);
    platform::fake::ScriptMenuChoice(250, "&Two");
    runtime::PopupMenu(window.get(), top);
    log.push_back("returned");
    EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick", "two clicked", "returned"}));

    ASSERT_EQ(platform::fake::ShownMenus().size(), 1u);
    const auto& shown = platform::fake::ShownMenus()[0];
    EXPECT_EQ(shown.x, 130);
    EXPECT_EQ(shown.y, 120);
    EXPECT_EQ(shown.owner, window.get());
    ASSERT_EQ(shown.items.size(), 3u);
    EXPECT_EQ(shown.items[0].caption, "&One");
    EXPECT_TRUE(shown.items[0].checked);
    EXPECT_TRUE(shown.items[1].separator);
    EXPECT_FALSE(shown.items[2].checked);

    // Dismissed: nothing runs. A check mark set now is what the menu shows.
    one.SetChecked(false);
    EXPECT_FALSE(one.Checked());
    platform::fake::ScriptMenuChoice(0, std::nullopt);
    runtime::PopupMenu(window.get(), top);
    EXPECT_EQ(log.back(), "returned");
    EXPECT_FALSE(platform::fake::ShownMenus()[1].items[0].checked);
}

TEST_F(MessageLoop, AnErrorInATickReachesTheTopLevelAsAMessageBox) {
    platform::fake::SetExecutablePath("C:\\Games\\jellop.exe");
    int ticks = 0;
    runtime::Timer timer(
        [&] {
            ++ticks;
            runtime::Raise(326, "Resource with identifier '100' not found");
        },
        100);
    int result = runtime::RunProgram([&] {
        runtime::NoteFormLoaded();
        timer.SetEnabled(true);
    });
    runtime::NoteFormUnloaded();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ticks, 1) << "no callback runs once the error is on its way out";
    ASSERT_EQ(platform::fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::fake::MessageBoxes()[0].text, "Resource with identifier '100' not found");
    EXPECT_EQ(platform::fake::MessageBoxes()[0].title, "jellop");

    // Callbacks stay stopped after the error: the program is over.
    platform::fake::RunFor(500);
    EXPECT_EQ(ticks, 1);
}

TEST_F(MessageLoop, EndStopsTheProgramWithoutAMessage) {
    int result = runtime::RunProgram([] { runtime::End(); });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(platform::fake::MessageBoxes().empty());
}

} // namespace
