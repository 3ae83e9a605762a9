// The death (StartDie and Timer2) on the fake platform, in virtual time.
#include "pet_fixture.h"

namespace {

using testing_support::kDieSoundPath;
using testing_support::kFadeInEnd;

class PetDeath : public testing_support::PetTest {
  protected:
    void SetUp() override {
        PetTest::SetUp();
        platform::fake::SetCursorPos(446, 338); // on the pet's centre: it stays put
        Start();
    }

    struct Step {
        std::uint32_t time;
        std::int16_t counter;
        platform::PixelRect rect;
    };

    // Records every death tick until the program's windows are gone.
    std::vector<Step> RunToTheEnd(std::uint32_t limit = 30000) {
        std::vector<Step> steps;
        std::size_t ticks = platform::fake::TimerTicks().size();
        platform::fake::RunFor(limit, [&] {
            if (platform::fake::TimerTicks().size() != ticks) {
                ticks = platform::fake::TimerTicks().size();
                if (platform::IsWindow(PetWindow())) {
                    steps.push_back({platform::TickCount(), Pet().CurrentFrame, PetRect()});
                }
            }
            return runtime::LoadedFormCount() == 0;
        });
        return steps;
    }
};

TEST_F(PetDeath, TheDeathPlaysItsSoundShowsFiveFramesHoldsAndUnloads) {
    platform::fake::RunFor(250); // frames 102, 103 on screen
    platform::PixelRect before = PetRect();
    std::uint32_t start = platform::TickCount();
    Pet().StartDie();
    EXPECT_FALSE(Pet().Timer1.Enabled());
    EXPECT_TRUE(Pet().Timer2.Enabled());
    EXPECT_EQ(Pet().CurrentFrame, 140);
    EXPECT_EQ(Pet().SeriesBase, 140);
    platform::WindowHandle window = PetWindow();

    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    std::vector<std::int16_t> counters;
    std::vector<std::uint32_t> times;
    for (const Step& step : steps) {
        counters.push_back(step.counter);
        times.push_back(step.time - start);
    }
    EXPECT_EQ(counters, (std::vector<std::int16_t>{141, 142, 143, 144, 145, 146}));
    EXPECT_EQ(times, (std::vector<std::uint32_t>{100, 200, 300, 400, 500, 600}));
    // Step 147, 2 s after 146, unloads the window: the fade-out, and the program is over.
    EXPECT_EQ(platform::TickCount() - start, 2600u + 1280);

    // 141 keeps the walking frame; then each frame at its offset from where the last was.
    EXPECT_EQ(steps[0].rect, before);
    auto at = [](const platform::PixelRect& r, int dx, int dy, int w, int h) {
        return platform::PixelRect{r.left + dx, r.top + dy, r.left + dx + w, r.top + dy + h};
    };
    EXPECT_EQ(steps[1].rect, at(before, -10, -10, 39, 32));
    EXPECT_EQ(steps[2].rect, at(steps[1].rect, -5, -5, 62, 48));
    EXPECT_EQ(steps[3].rect, at(steps[2].rect, 0, 0, 80, 66));
    EXPECT_EQ(steps[4].rect, at(steps[3].rect, 0, 0, 85, 65));
    EXPECT_EQ(steps[5].rect, at(steps[4].rect, 0, 40, 84, 28));

    // The death sound, panned by the left edge, once.
    auto plays = SoundCalls(kDieSoundPath, platform::fake::SoundCall::Play);
    ASSERT_EQ(plays.size(), 1u);
    auto pans = SoundCalls(kDieSoundPath, platform::fake::SoundCall::SetPan);
    ASSERT_EQ(pans.size(), 1u);
    EXPECT_EQ(pans[0].value, -1656);
    EXPECT_FALSE(platform::IsWindow(window));
    EXPECT_EQ(runtime::LoadedFormCount(), 0);
}

TEST_F(PetDeath, ACounterOutsideTheDeathStepsShowsThatFrameWithoutAnOffset) {
    Pet().StartDie();
    Pet().CurrentFrame = 102; // no request of the program leads here
    platform::fake::RunFor(200);
    EXPECT_EQ(Pet().CurrentFrame, 104);
    EXPECT_EQ(PetRect(), (platform::PixelRect{428, 320, 428 + 39, 320 + 33}));
    EXPECT_TRUE(Pet().Timer2.Enabled());
    EXPECT_EQ(Plays(kDieSoundPath), 0u);
}

TEST_F(PetDeath, AtTheLeftEdgeTheDeathSoundComesFromTheLeft) {
    Pet().Move(0, Pet().Top());
    platform::fake::SetCursorPos(18, PetRect().top + 18);
    Pet().StartDie();
    platform::fake::RunFor(100);
    auto pans = SoundCalls(kDieSoundPath, platform::fake::SoundCall::SetPan);
    ASSERT_EQ(pans.size(), 1u);
    EXPECT_EQ(pans[0].value, -5000);
}

TEST_F(PetDeath, ARequestBeforeStep146StartsOverAt141) {
    Pet().StartDie();
    platform::fake::RunFor(300); // 141, 142, 143
    ASSERT_EQ(Pet().CurrentFrame, 143);
    std::uint32_t restart = platform::TickCount();
    Pet().StartDie();
    EXPECT_EQ(Pet().CurrentFrame, 140);
    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[0].counter, 141);
    EXPECT_EQ(steps[0].time - restart, 100u);
    EXPECT_EQ(steps[5].counter, 146);
    EXPECT_EQ(steps[5].time - restart, 600u);
    EXPECT_EQ(Plays(kDieSoundPath), 2u) << "the sound starts over too";
}

TEST_F(PetDeath, ARequestAfterStep146KeepsTheTwoSecondPace) {
    Pet().StartDie();
    platform::fake::RunFor(700);
    ASSERT_EQ(Pet().CurrentFrame, 146);
    ASSERT_EQ(Pet().Timer2.Interval(), 2000u);
    std::uint32_t restart = platform::TickCount();
    Pet().StartDie();
    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    // Step 146 came at 600 ms; the next tick is due 2000 ms after it.
    EXPECT_EQ(steps[0].counter, 141);
    EXPECT_EQ(steps[0].time - restart, 1900u);
    EXPECT_EQ(steps[5].time - steps[0].time, 5u * 2000);
    // About 14 s after the request the program has closed.
    EXPECT_EQ(platform::TickCount() - restart, 1900u + 6 * 2000 + 1280);
}

TEST_F(PetDeath, WithSoundsOffTheDeathIsSilentButKeepsItsPace) {
    pet::SoundsEnabled = pet::kFalse;
    Pet().StartDie();
    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[5].counter, 146);
    EXPECT_EQ(Plays(kDieSoundPath), 0u);
    EXPECT_TRUE(SoundCalls(kDieSoundPath, platform::fake::SoundCall::SetPan).empty());
}

TEST_F(PetDeath, WithoutADeathSoundTheFramesAndCloseRunAsUsual) {
    modDS::DieSoundBuffer.reset();
    Pet().StartDie();
    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(runtime::LoadedFormCount(), 0);
}

TEST_F(PetDeath, APanOutOfRangeDoesNotStopTheDeath) {
    Pet().Move(1.6f * 19200, Pet().Top());
    Pet().StartDie();
    std::vector<Step> steps = RunToTheEnd();
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(Plays(kDieSoundPath), 1u);
    EXPECT_TRUE(platform::fake::MessageBoxes().empty());
}

TEST_F(PetDeath, TheWalkStaysOffAndTheDeathFinishesWhenItWasRequestedDuringTheFadeIn) {
    // A fresh program, with the death request arriving while the window fades in.
    forms_.reset();
    ResetPetState();
    PutSounds(true, true);
    platform::fake::SetCursorPos(446, 338);
    platform::fake::ScheduleAt(200, [] {
        platform::fake::DoubleClick(pet::Jellop().hWnd(), platform::MouseButton::Left);
    });
    std::vector<std::int16_t> frames;
    bool walked = false;
    for (std::uint32_t t = 250; t < 4000; t += 50) {
        platform::fake::ScheduleAt(t, [&] {
            if (runtime::LoadedFormCount() > 0 && platform::IsWindow(pet::Jellop().hWnd())) {
                walked = walked || pet::Jellop().Timer1.Enabled();
                frames.push_back(pet::Jellop().CurrentFrame);
            }
        });
    }
    int result = pet::RunDesktopJellop();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(walked);
    EXPECT_NE(std::find(frames.begin(), frames.end(), 146), frames.end());
    EXPECT_TRUE(platform::fake::MessageBoxes().empty());
    // Requested at 200 ms: step 146 at 800 ms, the unload 2 s later, then the fade-out.
    EXPECT_EQ(platform::TickCount(), 200u + 600 + 2000 + 1280);
    EXPECT_EQ(SoundCalls(testing_support::kMoveSoundPath, platform::fake::SoundCall::Play).size(),
              0u);
}

} // namespace
