// The pet under the mouse on the fake platform: drag, context menu, double-click.
#include "pet_fixture.h"

#include "platform/fake/fake_menu.h"

namespace {

using platform::MouseButton;
using testing_support::kDieSoundPath;
using testing_support::kMoveSoundPath;

class PetInteraction : public testing_support::PetTest {
  protected:
    void SetUp() override {
        PetTest::SetUp();
        platform::fake::SetCursorPos(446, 338);
        Start();
    }

    // A press of `button` on the pet, with the menu's outcome scripted.
    void OpenMenu(MouseButton button, std::uint32_t afterMs, std::optional<std::string> choice) {
        platform::fake::ScriptMenuChoice(afterMs, std::move(choice));
        platform::fake::Click(PetWindow(), button);
        runtime::DoEvents();
    }
};

TEST_F(PetInteraction, ARightClickShowsTheMenuWithSoundsCheckedASeparatorAndDie) {
    EXPECT_FALSE(pet::MenuLoaded()) << "the menu window loads on first use";
    OpenMenu(MouseButton::Right, 0, std::nullopt);
    ASSERT_TRUE(pet::MenuLoaded());
    EXPECT_FALSE(platform::IsWindowVisible(pet::Menu().hWnd())) << "never shown";

    ASSERT_EQ(platform::fake::ShownMenus().size(), 1u);
    const auto& shown = platform::fake::ShownMenus()[0];
    ASSERT_EQ(shown.items.size(), 3u);
    EXPECT_EQ(shown.items[0].caption, "&Sounds");
    EXPECT_TRUE(shown.items[0].checked);
    EXPECT_TRUE(shown.items[1].separator);
    EXPECT_EQ(shown.items[2].caption, "&Die");
    EXPECT_FALSE(shown.items[2].checked);
    // Tracked for the menu window that owns it: the owner becomes the foreground window while
    // the menu is open, and the pet itself is never activated.
    EXPECT_EQ(shown.owner, pet::Menu().hWnd());
    EXPECT_EQ((platform::PointerPosition{shown.x, shown.y}), platform::fake::CursorPos());
}

TEST_F(PetInteraction, AMiddleButtonOpensTheMenuTooAndNeverDrags) {
    OpenMenu(MouseButton::Middle, 0, std::nullopt);
    EXPECT_EQ(platform::fake::ShownMenus().size(), 1u);
    EXPECT_TRUE(platform::fake::Drags().empty());
}

TEST_F(PetInteraction, SoundsTwiceRestoresTheCheckAndTheSounds) {
    OpenMenu(MouseButton::Right, 0, "&Sounds");
    EXPECT_EQ(pet::SoundsEnabled, 0);
    EXPECT_FALSE(pet::Menu().mnuSounds.Checked());
    OpenMenu(MouseButton::Right, 0, "&Sounds");
    EXPECT_EQ(pet::SoundsEnabled, -1);
    EXPECT_TRUE(pet::Menu().mnuSounds.Checked());
    EXPECT_FALSE(platform::fake::ShownMenus()[1].items[0].checked)
        << "the second menu showed the switch off";
}

TEST_F(PetInteraction, SoundsOffStartsNoNewSoundButLetsAPlayingOneEnd) {
    platform::fake::RunFor(100); // tick 1: the move sound starts (300 ms long)
    ASSERT_EQ(Plays(kMoveSoundPath), 1u);
    OpenMenu(MouseButton::Right, 0, "&Sounds");
    ASSERT_EQ(pet::SoundsEnabled, 0);
    auto buffer = platform::fake::SoundBufferFromFile(kMoveSoundPath);
    EXPECT_TRUE(buffer->playing) << "switching off does not cut a sound short";
    platform::fake::RunFor(2000);
    EXPECT_EQ(Plays(kMoveSoundPath), 1u);
    Pet().StartDie();
    platform::fake::RunFor(700);
    EXPECT_EQ(Plays(kDieSoundPath), 0u);
}

TEST_F(PetInteraction, ClosingTheMenuWithoutAChoiceChangesNothing) {
    OpenMenu(MouseButton::Right, 300, std::nullopt);
    EXPECT_EQ(pet::SoundsEnabled, -1);
    EXPECT_TRUE(pet::Menu().mnuSounds.Checked());
    EXPECT_TRUE(Pet().Timer1.Enabled());
    EXPECT_FALSE(Pet().Timer2.Enabled());
}

TEST_F(PetInteraction, TheWalkGoesOnWhileTheMenuIsOpen) {
    platform::fake::SetCursorPos(0, 1000);
    OpenMenu(MouseButton::Right, 1000, std::nullopt);
    EXPECT_EQ(PetRect().left, 428 - 30) << "ten ticks of 3 pixels while the menu was open";
}

TEST_F(PetInteraction, DieFromTheMenuStartsTheDeathAndAgainStartsItOver) {
    OpenMenu(MouseButton::Right, 0, "&Die");
    EXPECT_TRUE(Pet().Timer2.Enabled());
    EXPECT_FALSE(Pet().Timer1.Enabled());
    platform::fake::RunFor(300);
    EXPECT_EQ(Pet().CurrentFrame, 143);
    OpenMenu(MouseButton::Right, 0, "&Die");
    EXPECT_EQ(Pet().CurrentFrame, 140);
    EXPECT_TRUE(pet::MenuLoaded()) << "the menu window stays loaded";
    platform::fake::RunFor(100);
    EXPECT_EQ(Pet().CurrentFrame, 141);
    EXPECT_EQ(Plays(kDieSoundPath), 2u);
}

TEST_F(PetInteraction, ADoubleClickStartsTheDeath) {
    platform::fake::DoubleClick(PetWindow(), MouseButton::Left);
    runtime::DoEvents();
    EXPECT_TRUE(Pet().Timer2.Enabled());
    EXPECT_FALSE(Pet().Timer1.Enabled());
    EXPECT_EQ(Pet().CurrentFrame, 140);
}

TEST_F(PetInteraction, TheLeftButtonDragsThePetWhereThePointerIsReleased) {
    // Grab the pet 10 pixels right of its corner and carry it, slowly, while the walk ticks.
    platform::fake::SetCursorPos(438, 330);
    platform::fake::ScriptDrag({{120, 500, 400}, {250, 700, 600}});
    std::uint32_t start = platform::TickCount();
    platform::fake::Click(PetWindow(), MouseButton::Left);
    runtime::DoEvents();
    EXPECT_EQ(platform::TickCount() - start, 250u);

    ASSERT_EQ(platform::fake::Drags().size(), 1u);
    EXPECT_EQ(platform::fake::Drags()[0].window, PetWindow());

    // The pointer keeps its grip 10 pixels right of and below the corner.
    EXPECT_EQ(PetRect().left, 690);
    EXPECT_EQ(PetRect().top, 590);
    // The walk carries on from there.
    platform::fake::RunFor(100);
    EXPECT_EQ(PetRect().left, 690 + 3 * Pet().StepX);
    EXPECT_EQ(PetRect().top, 590 + 3 * Pet().StepY);
}

TEST_F(PetInteraction, AfterShutdownTheMenuWindowIsGone) {
    OpenMenu(MouseButton::Right, 0, std::nullopt);
    platform::WindowHandle menuWindow = pet::Menu().hWnd();
    ASSERT_EQ(runtime::LoadedFormCount(), 2);
    Pet().Unload();
    EXPECT_EQ(runtime::LoadedFormCount(), 0);
    EXPECT_FALSE(pet::MenuLoaded());
    EXPECT_FALSE(platform::IsWindow(menuWindow));
    forms_.reset();
    EXPECT_EQ(platform::fake::LiveMenuCount(), 0) << "no menu outlives the program's windows";
}

} // namespace
