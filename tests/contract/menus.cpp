// Backend contract: a tracked pop-up menu returns the command the user chose, or 0 when the
// user dismissed it; check marks read back as they were set.
#include "contract/contract_fixture.h"
#include "platform/menu.h"

namespace {

using contract_test::BackendContract;

class MenuContract : public BackendContract {
  protected:
    void SetUp() override {
        BackendContract::SetUp();
        menu = platform::CreatePopupMenu();
        ASSERT_TRUE(menu);
        ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 11, "&Sounds"));
        ASSERT_TRUE(platform::AppendMenuSeparator(menu.get()));
        ASSERT_TRUE(platform::AppendMenuItem(menu.get(), 22, "&Die"));
    }

    platform::Menu menu;
};

TEST_F(MenuContract, AMenuReturnsTheChosenCommand) {
    platform::Window window = ShownWindow();
    contract_user::ChooseMenuItem(100, 1);
    EXPECT_EQ(platform::TrackPopupMenu(menu.get(), 210, 160, window.get()), 22u)
        << "the second command item, past the separator";
    contract_user::ChooseMenuItem(100, 0);
    EXPECT_EQ(platform::TrackPopupMenu(menu.get(), 210, 160, window.get()), 11u)
        << "a second menu of the same owner";
}

TEST_F(MenuContract, ADismissedMenuReturnsZero) {
    platform::Window window = ShownWindow();
    contract_user::DismissMenu(100);
    EXPECT_EQ(platform::TrackPopupMenu(menu.get(), 210, 160, window.get()), 0u);
}

TEST_F(MenuContract, CheckMarksReadBack) {
    EXPECT_TRUE(platform::CheckMenuItem(menu.get(), 11, true));
    EXPECT_TRUE(platform::IsMenuItemChecked(menu.get(), 11));
    EXPECT_FALSE(platform::IsMenuItemChecked(menu.get(), 22));
    EXPECT_TRUE(platform::CheckMenuItem(menu.get(), 11, false));
    EXPECT_FALSE(platform::IsMenuItemChecked(menu.get(), 11));
    EXPECT_FALSE(platform::CheckMenuItem(menu.get(), 9, true)) << "no item 9";
    EXPECT_FALSE(platform::IsMenuItemChecked(menu.get(), 9));
}

} // namespace
