// The pet's start-up and shutdown on the fake platform, in virtual time.
#include "pet_fixture.h"

#include "controls/live_objects.h"
#include "platform/fake/fake_instance.h"
#include "platform/fake/fake_messages.h"
#include "platform/instance.h"
#include "platform/layered.h"

namespace {

using platform::fake::LayeredCall;
using platform::fake::WindowOperation;
using testing_support::kDieSoundPath;
using testing_support::kFadeInEnd;
using testing_support::kMoveSoundPath;

class PetLifecycle : public testing_support::PetTest {
  protected:
    static std::vector<LayeredCall> AlphaCalls(std::size_t from = 0) {
        std::vector<LayeredCall> alpha;
        const auto& calls = platform::fake::LayeredCalls();
        for (std::size_t i = from; i < calls.size(); ++i) {
            if (calls[i].kind == LayeredCall::Kind::SetOpacity) {
                alpha.push_back(calls[i]);
            }
        }
        return alpha;
    }
};

TEST_F(PetLifecycle, StartUpShowsFrame101TopmostAndFadesInBeforeTheWalkStarts) {
    bool walkingDuringFade = true;
    platform::fake::ScheduleAt(300, [&] { walkingDuringFade = Pet().Timer1.Enabled(); });

    Start();

    EXPECT_EQ(platform::TickCount(), kFadeInEnd) << "52 steps of 10 ms";
    EXPECT_FALSE(walkingDuringFade) << "no walk tick during the fade-in";
    EXPECT_TRUE(Pet().Timer1.Enabled());
    EXPECT_FALSE(Pet().Timer2.Enabled());
    EXPECT_EQ(Pet().SeriesBase, 101);
    EXPECT_EQ(Pet().CurrentFrame, 101);
    EXPECT_EQ(pet::SoundsEnabled, -1);
    EXPECT_TRUE(modLayered::LayeredSupported);

    const auto& state = PetState();
    EXPECT_EQ(state.caption, "Form1");
    EXPECT_EQ(PetRect(), (platform::PixelRect{428, 320, 465, 356}));
    EXPECT_TRUE(state.visible);
    EXPECT_TRUE(state.topmost);

    // The topmost placement re-applies the window's own rectangle.
    auto topmost = std::find_if(
        state.operations.begin(), state.operations.end(), [](const WindowOperation& op) {
            return op.kind == WindowOperation::Kind::SetTopmost && op.topmost;
        });
    ASSERT_NE(topmost, state.operations.end());
    EXPECT_EQ(topmost->rect, (platform::PixelRect{428, 320, 465, 356}));

    // Layered style on, 52 alpha steps 0, 5, ..., 255 without a colour key, style off: the
    // living pet is not layered.
    const auto& calls = platform::fake::LayeredCalls();
    ASSERT_EQ(calls.size(), 54u);
    EXPECT_EQ(calls.front().kind, LayeredCall::Kind::SetLayered);
    EXPECT_TRUE(calls.front().on);
    EXPECT_GT(calls.front().sequence, topmost->sequence) << "layered after topmost";
    std::vector<LayeredCall> alpha = AlphaCalls();
    ASSERT_EQ(alpha.size(), 52u);
    for (std::size_t i = 0; i < alpha.size(); ++i) {
        EXPECT_EQ(alpha[i].alpha, i * 5);
        EXPECT_EQ(alpha[i].colourKey, std::nullopt);
        EXPECT_EQ(alpha[i].time, i * 10) << "each step 10 ms after the last";
        EXPECT_TRUE(alpha[i].succeeded);
    }
    EXPECT_EQ(calls.back().kind, LayeredCall::Kind::SetLayered);
    EXPECT_FALSE(calls.back().on);
    EXPECT_FALSE(platform::fake::LayeredStateOf(PetWindow())->layered);
    EXPECT_EQ(platform::fake::EffectiveAlpha(PetWindow()), 255);

    // One pump pass after every sleep.
    const auto& passes = platform::fake::PumpPasses();
    ASSERT_EQ(passes.size(), 52u);
    for (std::size_t i = 0; i < passes.size(); ++i) {
        EXPECT_EQ(passes[i].time, (i + 1) * 10);
        EXPECT_GT(passes[i].sequence, alpha[i].sequence);
    }

    // The first walk tick comes 100 ms after the fade.
    platform::fake::RunFor(99);
    EXPECT_EQ(Pet().CurrentFrame, 101);
    platform::fake::RunFor(1);
    EXPECT_EQ(Pet().CurrentFrame, 102);
}

TEST_F(PetLifecycle, StartUpPreparesTheSoundsAtReducedVolume) {
    Start();
    auto devices = platform::fake::SoundDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].window, PetWindow());
    EXPECT_EQ(devices[0].level, platform::CooperativeLevel::Exclusive);
    for (const char* path : {kMoveSoundPath, kDieSoundPath}) {
        auto buffer = platform::fake::SoundBufferFromFile(path);
        ASSERT_TRUE(buffer) << path;
        EXPECT_EQ(buffer->volume, -1500);
        EXPECT_EQ(SoundCalls(path, platform::fake::SoundCall::SetVolume).size(), 1u);
        EXPECT_EQ(Plays(path), 0u);
    }
}

TEST_F(PetLifecycle, OnlyTheBuffersThatExistGetAVolume) {
    PutSounds(false, true);
    Start();
    EXPECT_FALSE(modDS::MoveSoundBuffer);
    ASSERT_TRUE(modDS::DieSoundBuffer);
    EXPECT_EQ(platform::fake::SoundBufferFromFile(kDieSoundPath)->volume, -1500);
    // The walk runs silently.
    platform::fake::RunFor(1000);
    EXPECT_EQ(Pet().CurrentFrame, 101 + 10 % 4);
}

TEST_F(PetLifecycle, ASecondCopyEndsAtOnceShowingNothing) {
    platform::InstanceClaim firstCopy(pet::kInstanceName);
    ASSERT_FALSE(firstCopy.AnotherInstanceRunning());

    platform::fake::ScheduleAt(0, [] { ADD_FAILURE() << "the second copy must not pump"; });
    int result = pet::RunDesktopJellop();

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(platform::fake::MessageBoxes().empty());
    EXPECT_TRUE(platform::fake::SoundDevices().empty()) << "ends before the sound set-up";
    EXPECT_TRUE(platform::fake::LayeredCalls().empty());
    EXPECT_EQ(platform::TickCount(), 0u);
    EXPECT_EQ(platform::fake::InstanceClaimCount(pet::kInstanceName), 1)
        << "the first copy keeps its claim";
    EXPECT_EQ(platform::memory::CountLiveObjects(), (platform::memory::LiveObjects{}));
}

TEST_F(PetLifecycle, WithoutLayeredWindowsStartUpStillTakesItsHalfSecond) {
    platform::fake::SetPlatformId(1);
    Start();
    EXPECT_FALSE(modLayered::LayeredSupported);
    EXPECT_TRUE(platform::fake::LayeredCalls().empty());
    EXPECT_EQ(platform::TickCount(), kFadeInEnd);
    EXPECT_TRUE(PetState().visible);
    EXPECT_TRUE(Pet().Timer1.Enabled());
}

TEST_F(PetLifecycle, ShutdownFadesOutIn128StepsThenTakesEverythingDown) {
    Start();
    platform::fake::ScriptMenuChoice(0, std::nullopt);
    platform::fake::Click(PetWindow(), platform::MouseButton::Right); // loads frmMenu
    platform::fake::RunFor(50);
    ASSERT_TRUE(pet::MenuLoaded());
    ASSERT_EQ(runtime::LoadedFormCount(), 2);

    platform::WindowHandle window = PetWindow();
    platform::fake::ClearLayeredCalls();
    std::uint32_t closeAt = platform::TickCount();
    std::size_t ticksBefore = platform::fake::TimerTicks().size();
    platform::fake::RequestClose(window);
    platform::fake::RunFor(5000, [] { return runtime::LoadedFormCount() == 0; });

    EXPECT_EQ(runtime::LoadedFormCount(), 0);
    EXPECT_FALSE(pet::MenuLoaded());
    EXPECT_FALSE(platform::IsWindow(window));
    EXPECT_EQ(platform::TickCount() - closeAt, 1280u) << "128 steps of 10 ms";
    EXPECT_GT(platform::fake::TimerTicks().size(), ticksBefore + 10)
        << "the walk ticks on during the fade-out";

    std::vector<LayeredCall> alpha = AlphaCalls();
    ASSERT_EQ(alpha.size(), 128u);
    for (std::size_t i = 0; i < alpha.size(); ++i) {
        EXPECT_EQ(alpha[i].alpha, 255 - 2 * i);
        EXPECT_EQ(alpha[i].colourKey, std::nullopt);
    }
    EXPECT_EQ(alpha.back().alpha, 1) << "alpha 0 is never applied";

    // The window left the topmost band and was hidden (and stayed so), lost its layered
    // style and its shape, and the region died with it: nothing of the frame display leaks.
    const auto* last = platform::fake::FindDestroyedWindowState(window);
    ASSERT_NE(last, nullptr);
    EXPECT_FALSE(last->visible);
    EXPECT_FALSE(last->topmost);
    EXPECT_TRUE(IsNull(last->region));
    const auto& ops = last->operations;
    auto noTopmost = std::find_if(ops.begin(), ops.end(), [](const WindowOperation& op) {
        return op.kind == WindowOperation::Kind::SetTopmost && !op.topmost;
    });
    ASSERT_NE(noTopmost, ops.end());
    EXPECT_GT(noTopmost->sequence, alpha.back().sequence);
    auto hide = std::find_if(noTopmost, ops.end(), [](const WindowOperation& op) {
        return op.kind == WindowOperation::Kind::Hide;
    });
    ASSERT_NE(hide, ops.end()) << "hidden after the topmost change, which shows the window";
    const LayeredCall& styleOff = platform::fake::LayeredCalls().back();
    EXPECT_EQ(styleOff.kind, LayeredCall::Kind::SetLayered);
    EXPECT_FALSE(styleOff.on);
    EXPECT_GT(styleOff.sequence, hide->sequence) << "opaque only once hidden";
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops.back().kind, WindowOperation::Kind::Destroy);
    EXPECT_EQ(ops[ops.size() - 2].kind, WindowOperation::Kind::SetRegion);
    EXPECT_FALSE(ops[ops.size() - 2].hasRegion);
    EXPECT_EQ(platform::memory::CountLiveObjects().regions, 0);
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

TEST_F(PetLifecycle, TheEndOfTheSessionRunsTheSameShutdown) {
    Start();
    platform::fake::ClearLayeredCalls();
    platform::fake::RunFor(100);
    EXPECT_EQ(runtime::LoadedFormCount(), 1);
    platform::fake::EndSession(PetWindow());
    platform::fake::RunFor(5000, [] { return runtime::LoadedFormCount() == 0; });
    EXPECT_EQ(runtime::LoadedFormCount(), 0);
    EXPECT_EQ(AlphaCalls().size(), 128u);
}

TEST_F(PetLifecycle, ACloseRequestDuringTheFadeOutDoesNotStartASecondOne) {
    Start();
    platform::WindowHandle window = PetWindow();
    platform::fake::ClearLayeredCalls();
    platform::fake::RequestClose(window);
    platform::fake::ScheduleAfter(400, [window] { platform::fake::RequestClose(window); });
    platform::fake::RunFor(10000, [] { return runtime::LoadedFormCount() == 0; });
    EXPECT_EQ(AlphaCalls().size(), 128u);
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

TEST_F(PetLifecycle, ACloseRequestDuringTheFadeInShutsDownOnceTheFadeInIsOver) {
    platform::fake::ScheduleAt(100, [] { platform::fake::RequestClose(pet::Jellop().hWnd()); });
    int result = pet::RunDesktopJellop();
    EXPECT_EQ(result, 0);
    // The whole fade-in, then the whole fade-out; nothing runs on a half-built window.
    EXPECT_EQ(AlphaCalls().size(), 52u + 128u);
    EXPECT_EQ(platform::TickCount(), kFadeInEnd + 1280);
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

TEST_F(PetLifecycle, TheWholeProgramRunsUntilItsWindowIsClosed) {
    platform::fake::ScheduleAt(3000, [] { platform::fake::RequestClose(pet::Jellop().hWnd()); });
    int result = pet::RunDesktopJellop();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(platform::TickCount(), 3000u + 1280u);
    EXPECT_TRUE(platform::fake::MessageBoxes().empty());
    EXPECT_EQ(platform::fake::InstanceClaimCount(pet::kInstanceName), 0);
}

TEST_F(PetLifecycle, AMissingFrameEndsTheProgramWithItsMessage) {
    platform::memory::RemoveOwnResource(platform::ResourceType::Bitmap, 103);
    platform::fake::SetCursorPos(446, 338); // on the pet: series 101, frame 103 comes second
    int result = pet::RunDesktopJellop();
    EXPECT_EQ(result, 1);
    ASSERT_EQ(platform::fake::MessageBoxes().size(), 1u);
    EXPECT_NE(platform::fake::MessageBoxes()[0].text.find("103"), std::string::npos)
        << platform::fake::MessageBoxes()[0].text;
    EXPECT_EQ(platform::fake::MessageBoxes()[0].title, "jellop");
    // Start-up, then ticks 102 and 103: the error came on the second tick.
    EXPECT_EQ(platform::TickCount(), kFadeInEnd + 200);
}

} // namespace
