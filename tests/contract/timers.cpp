// Backend contract: timers tick only when the thread pumps (a pump pass, the message loop, the
// modal loops of a menu and of a drag), and ticks missed while nothing pumped are not made up.
#include <cstdint>
#include <vector>

#include "contract/contract_fixture.h"
#include "platform/app.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/timer.h"

namespace {

using contract_test::BackendContract;

TEST_F(BackendContract, TimersTickInPumpPassesAndNeverMakeUpMissedTicks) {
    int ticks = 0;
    platform::Timer timer(50, [&] { ++ticks; });
    platform::Sleep(400);
    EXPECT_EQ(ticks, 0) << "no tick comes while nothing pumps";
    platform::PumpPendingMessages();
    EXPECT_EQ(ticks, 1) << "seven missed intervals give one late tick";
}

TEST_F(BackendContract, TimersTickInTheMessageLoopOneIntervalApart) {
    std::vector<std::uint32_t> times;
    platform::Timer timer(50, [&] { times.push_back(platform::TickCount()); });
    std::uint32_t start = platform::TickCount();
    platform::RunMessageLoop([&] { return times.size() == 4; });
    ASSERT_EQ(times.size(), 4u);
    EXPECT_GE(times[0] - start + contract_user::TimerSlackMs(), 50u);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1] + contract_user::TimerSlackMs(), 50u) << "tick " << i;
    }
}

// A tick that comes late (nothing pumped when it was due) does not move the schedule: the next
// one comes when it was due, not an interval after the late one.
TEST_F(BackendContract, ALateTickKeepsTheTimersSchedule) {
    std::vector<std::uint32_t> times;
    std::uint32_t start = platform::TickCount();
    platform::Timer timer(300, [&] { times.push_back(platform::TickCount() - start); });
    platform::Sleep(450); // due at 300: it comes at about 450
    platform::RunMessageLoop([&] { return times.size() == 2; });
    ASSERT_EQ(times.size(), 2u);
    EXPECT_GE(times[0], 450u);
    // Due at 600; an interval after the late tick would be 750 or more.
    EXPECT_GE(times[1] + contract_user::TimerSlackMs(), 600u);
    EXPECT_LT(times[1], 680u) << "the late tick pushed the schedule back";
}

TEST_F(BackendContract, TimersTickWhileAMenuIsOpen) {
    platform::Window window = ShownWindow();
    platform::Menu menu = platform::CreatePopupMenu();
    ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 7, "&Seven"));
    int ticks = 0;
    platform::Timer timer(50, [&] { ++ticks; });
    contract_user::ChooseMenuItem(400, 0);
    EXPECT_EQ(platform::TrackPopupMenu(menu.get(), 210, 160, window.get()), 7u);
    EXPECT_GE(ticks, 3);
}

TEST_F(BackendContract, TimersTickWhileTheUserDragsAWindow) {
    platform::Window window = ShownWindow();
    int ticks = 0;
    platform::Timer timer(50, [&] { ++ticks; });
    contract_user::DragWindowBy(window.get(), 400, 30, 20);
    platform::BeginSystemDrag(window.get());
    EXPECT_GE(ticks, 3);
}

} // namespace
