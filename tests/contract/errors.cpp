// Backend contract: an exception raised in a callback never unwinds through the window system;
// it comes out of the call that ran the dispatch (a pump pass, the message loop, a menu, a drag)
// once the dispatch has returned, and the modal loop it was raised in has ended.
#include <stdexcept>

#include "contract/contract_fixture.h"
#include "platform/app.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/timer.h"

namespace {

using contract_test::BackendContract;

class ErrorContract : public BackendContract {
  protected:
    // A timer whose first tick raises.
    platform::Timer RaisingTimer() {
        return platform::Timer(50, [this] {
            ++ticks;
            throw std::runtime_error("raised in a tick");
        });
    }

    // Runs `call`; true when it raised the tick's error.
    template <typename Call> static bool RaisesTheTicksError(Call call) {
        try {
            call();
        } catch (const std::runtime_error& error) {
            return std::string(error.what()) == "raised in a tick";
        }
        return false;
    }

    int ticks = 0;
};

TEST_F(ErrorContract, AnErrorInATickComesOutOfThePumpPass) {
    platform::Timer timer = RaisingTimer();
    platform::Sleep(100);
    EXPECT_TRUE(RaisesTheTicksError([] { platform::PumpPendingMessages(); }));
    EXPECT_FALSE(platform::ExceptionPending());
}

TEST_F(ErrorContract, AnErrorInATickComesOutOfTheMessageLoop) {
    platform::Timer timer = RaisingTimer();
    EXPECT_TRUE(RaisesTheTicksError([] { platform::RunMessageLoop([] { return false; }); }));
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(platform::ExceptionPending());
}

TEST_F(ErrorContract, AnErrorInATickEndsAMenuAndComesOutOfIt) {
    platform::Window window = ShownWindow();
    platform::Menu menu = platform::CreatePopupMenu();
    ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 7, "&Seven"));
    platform::Timer timer = RaisingTimer();
    contract_user::ChooseMenuItem(1500, 0);
    EXPECT_TRUE(
        RaisesTheTicksError([&] { platform::TrackPopupMenu(menu.get(), 210, 160, window.get()); }));
    EXPECT_EQ(ticks, 1) << "nothing runs once the error is on its way out";
}

TEST_F(ErrorContract, AnErrorInATickComesOutOfADrag) {
    platform::Window window = ShownWindow();
    platform::Timer timer = RaisingTimer();
    contract_user::DragWindowBy(window.get(), 400, 10, 10);
    EXPECT_TRUE(RaisesTheTicksError([&] { platform::BeginSystemDrag(window.get()); }));
    EXPECT_EQ(ticks, 1);
}

} // namespace
