// modDX and modDS on the fake backend: what the start-up's three sound calls do with and
// without a device and files, where the files are looked up, and play, stop, volume and pan.
#include <gtest/gtest.h>

#include "platform/fake/fake_app.h"
#include "platform/fake/fake_sound.h"
#include "runtime/error.h"
#include "sound/modDS.h"
#include "sound/modDX.h"

namespace {

namespace fake = platform::fake;
using fake::SoundCall;

constexpr auto kWindow = static_cast<platform::WindowHandle>(0x4242);
const std::string kDir = "D:\\Toys\\Jellop";
const std::string kMovePath = kDir + "\\jellop_move.wav";
const std::string kDiePath = kDir + "\\jellop_die.wav";

class SoundEffects : public ::testing::Test {
  protected:
    void SetUp() override {
        Reset();
        fake::SetExecutablePath(kDir + "\\jellop.exe");
    }
    void TearDown() override { Reset(); }
    static void Reset() {
        modDS::MoveSoundBuffer.reset();
        modDS::DieSoundBuffer.reset();
        modDX::SoundDevice.reset();
        fake::ResetSound();
        fake::ResetApp();
    }
    // The start-up's sound steps, in their order.
    static void StartSound() {
        modDX::InitDirectSound();
        modDX::SetSoundWindow(kWindow);
        modDS::LoadSounds();
    }
    static void PutBothFiles() {
        fake::PutSoundFile(kMovePath, fake::PcmWaveFile(1, 44100, 16, 200));
        fake::PutSoundFile(kDiePath, fake::PcmWaveFile(1, 44100, 16, 1200));
    }
    static std::vector<SoundCall> Calls() {
        std::vector<SoundCall> calls;
        for (const auto& event : fake::SoundEvents()) {
            calls.push_back(event.call);
        }
        return calls;
    }
};

TEST_F(SoundEffects, StartUpBindsTheDeviceToThePetWindowAndLoadsBothEffects) {
    PutBothFiles();
    StartSound();

    ASSERT_TRUE(modDX::SoundDevice.has_value());
    ASSERT_TRUE(modDS::MoveSoundBuffer.has_value());
    ASSERT_TRUE(modDS::DieSoundBuffer.has_value());
    EXPECT_EQ(Calls(), (std::vector{SoundCall::CreateDevice, SoundCall::SetCooperativeLevel,
                                    SoundCall::CreateBuffer, SoundCall::CreateBuffer}));
    auto devices = fake::SoundDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].window, kWindow);
    EXPECT_EQ(devices[0].level, platform::CooperativeLevel::Exclusive);

    auto buffers = fake::SoundBuffers();
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_EQ(buffers[0].file, kMovePath) << "the move sound is loaded first";
    EXPECT_EQ(buffers[1].file, kDiePath);
    for (const auto& buffer : buffers) {
        // Pan and volume for the callers; global focus so the effects are heard while another
        // program has the focus, as the pet window never takes it.
        EXPECT_EQ(buffer.flags, platform::kBufferCtrlPan | platform::kBufferCtrlVolume |
                                    platform::kBufferGlobalFocus);
        EXPECT_FALSE(buffer.playing);
        EXPECT_EQ(buffer.volume, 0);
    }
    EXPECT_EQ(modDS::MoveSoundBuffer->Bytes(), 44100u * 2 / 5);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(SoundEffects, MissingOrUnusableFilesLeaveTheirBuffersAbsentSilently) {
    platform::WaveFormat compressed = *fake::PcmWaveFile(1, 44100, 16, 100).format;
    compressed.formatTag = 2; // ADPCM
    struct Case {
        const char* what;
        std::optional<fake::SoundFile> move, die;
        bool movePresent, diePresent;
    };
    const Case cases[] = {
        {"both missing", std::nullopt, std::nullopt, false, false},
        {"only jellop_die.wav", std::nullopt, fake::PcmWaveFile(2, 22050, 8, 500), false, true},
        {"move is not a wave file", fake::NotAWaveFile(), fake::PcmWaveFile(1, 8000, 16, 300),
         false, true},
        {"die is compressed", fake::PcmWaveFile(1, 44100, 16, 200),
         fake::SoundFile{compressed, 8820}, true, false},
        {"die has no samples", fake::PcmWaveFile(1, 44100, 16, 200),
         fake::PcmWaveFile(1, 44100, 16, 0), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        fake::SetExecutablePath(kDir + "\\jellop.exe");
        if (c.move) {
            fake::PutSoundFile(kMovePath, *c.move);
        }
        if (c.die) {
            fake::PutSoundFile(kDiePath, *c.die);
        }
        EXPECT_NO_THROW(StartSound());
        EXPECT_EQ(modDS::MoveSoundBuffer.has_value(), c.movePresent);
        EXPECT_EQ(modDS::DieSoundBuffer.has_value(), c.diePresent);
        EXPECT_TRUE(fake::MessageBoxes().empty());
        // The start-up's next step, volume -1500 on each buffer that exists, then works.
        for (auto* buffer : {&modDS::MoveSoundBuffer, &modDS::DieSoundBuffer}) {
            if (*buffer) {
                EXPECT_NO_THROW((*buffer)->SetVolume(-1500));
            }
        }
    }
}

TEST_F(SoundEffects, OnlyTheExecutablesDirectoryIsSearched) {
    // Where a lookup by bare name or in another directory would find them.
    for (const std::string dir : {"", "C:\\Windows\\", "D:\\Toys\\"}) {
        fake::PutSoundFile(dir + "jellop_move.wav", fake::PcmWaveFile(1, 44100, 16, 200));
        fake::PutSoundFile(dir + "jellop_die.wav", fake::PcmWaveFile(1, 44100, 16, 200));
    }
    StartSound();
    EXPECT_FALSE(modDS::MoveSoundBuffer.has_value());
    EXPECT_FALSE(modDS::DieSoundBuffer.has_value());

    // Moved to where the files are, the program finds them; Windows paths ignore case.
    fake::SetExecutablePath("c:\\WINDOWS\\JELLOP.EXE");
    modDS::LoadSounds();
    ASSERT_TRUE(modDS::MoveSoundBuffer.has_value());
    EXPECT_EQ(fake::SoundBuffers().back().file, "c:\\WINDOWS\\jellop_die.wav");
}

TEST_F(SoundEffects, WithoutADeviceNothingIsBoundOrLoadedAndNothingIsShown) {
    PutBothFiles();
    fake::SetSoundDeviceAvailable(false);
    EXPECT_NO_THROW(StartSound());

    EXPECT_FALSE(modDX::SoundDevice.has_value());
    EXPECT_FALSE(modDS::MoveSoundBuffer.has_value());
    EXPECT_FALSE(modDS::DieSoundBuffer.has_value());
    EXPECT_EQ(Calls(), std::vector{SoundCall::CreateDevice}) << "only the failed creation";
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_NO_THROW(modDS::StopSoundBuffer(modDS::MoveSoundBuffer)) << "the walk's random stop";
}

TEST_F(SoundEffects, CreateBufferFromFileReplacesTheTargetOrEmptiesIt) {
    PutBothFiles();
    modDX::InitDirectSound();
    std::optional<modDX::DirectSoundBuffer> target;
    modDX::CreateBufferFromFile(target, kMovePath, {modDS::kEffectBufferFlags});
    ASSERT_TRUE(target.has_value());

    modDX::CreateBufferFromFile(target, kDir + "\\missing.wav", {modDS::kEffectBufferFlags});
    EXPECT_FALSE(target.has_value()) << "a failed load empties the target";
    EXPECT_TRUE(fake::SoundBuffers()[0].released) << "and releases what it held";

    // Without a device the target is left as it is.
    modDX::CreateBufferFromFile(target, kMovePath, {modDS::kEffectBufferFlags});
    ASSERT_TRUE(target.has_value());
    modDX::SoundDevice.reset();
    modDX::CreateBufferFromFile(target, kDir + "\\missing.wav", {modDS::kEffectBufferFlags});
    EXPECT_TRUE(target.has_value());
}

TEST_F(SoundEffects, PlayRewindsAndPlaysOnceSoAPlayingSoundRestarts) {
    PutBothFiles(); // the move sound is 200 ms long
    StartSound();
    fake::ClearSoundEvents();

    modDS::PlaySoundBuffer(modDS::MoveSoundBuffer, false);
    const auto& events = fake::SoundEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].call, SoundCall::SetCurrentPosition);
    EXPECT_EQ(events[0].value, 0);
    EXPECT_EQ(events[1].call, SoundCall::Play);
    EXPECT_EQ(events[1].value, 0) << "not looping";

    fake::AdvanceClock(150);
    EXPECT_TRUE(modDS::MoveSoundBuffer->IsPlaying());
    EXPECT_GT(fake::SoundBufferFromFile(kMovePath)->position, 0u);
    modDS::PlaySoundBuffer(modDS::MoveSoundBuffer, false);
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->position, 0u) << "rewound";
    fake::AdvanceClock(150);
    EXPECT_TRUE(modDS::MoveSoundBuffer->IsPlaying()) << "restarted, so 300 ms after the start";
    fake::AdvanceClock(60);
    EXPECT_FALSE(modDS::MoveSoundBuffer->IsPlaying()) << "played once, to its end";
    EXPECT_EQ(fake::SoundBuffers().size(), 2u) << "the same buffer, no second copy";
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->plays, 2);
}

TEST_F(SoundEffects, LoopingPlaysOnUntilStopped) {
    PutBothFiles();
    StartSound();
    modDS::PlaySoundBuffer(modDS::DieSoundBuffer, true);
    EXPECT_EQ(fake::SoundEvents().back().value, static_cast<std::int64_t>(platform::kPlayLooping));
    fake::AdvanceClock(5000);
    EXPECT_TRUE(modDS::DieSoundBuffer->IsPlaying());
    modDS::StopSoundBuffer(modDS::DieSoundBuffer);
    EXPECT_FALSE(modDS::DieSoundBuffer->IsPlaying());
    EXPECT_EQ(fake::SoundBufferFromFile(kDiePath)->stops, 1);
}

TEST_F(SoundEffects, AbsentBuffersStopQuietlyButCannotBePlayed) {
    StartSound(); // no files
    fake::ClearSoundEvents();
    EXPECT_NO_THROW(modDS::StopSoundBuffer(modDS::MoveSoundBuffer));
    EXPECT_NO_THROW(modDS::StopSoundBuffer(modDS::DieSoundBuffer));
    EXPECT_TRUE(fake::SoundEvents().empty());
    // The callers test for the buffer first; a caller that does not gets a numbered error
    // rather than undefined behaviour.
    try {
        modDS::PlaySoundBuffer(modDS::MoveSoundBuffer, false);
        FAIL() << "playing an absent buffer must raise";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), 91);
    }
}

TEST_F(SoundEffects, VolumeAndPanInHundredthsOfADecibelRaiseWhenRefused) {
    PutBothFiles();
    StartSound();
    modDX::DirectSoundBuffer& move = *modDS::MoveSoundBuffer;
    move.SetVolume(-1500);
    move.SetPan(-5000);
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->volume, -1500);
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->pan, -5000);

    // A pet far to the right of the screen computes a pan past full right.
    try {
        move.SetPan(10001);
        FAIL() << "a pan past 10000 must raise";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), modDX::kErrInvalidArgument);
        EXPECT_FALSE(error.Message().empty());
    }
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->pan, -5000) << "the previous pan stays";
    EXPECT_THROW(move.SetVolume(1), runtime::Error);
    EXPECT_THROW(move.SetVolume(-10001), runtime::Error);
    EXPECT_EQ(fake::SoundBufferFromFile(kMovePath)->volume, -1500);
}

TEST_F(SoundEffects, ARefusedCooperativeLevelRaisesButNoDeviceMeansNoCall) {
    modDX::InitDirectSound();
    try {
        modDX::SetSoundWindow(platform::WindowHandle{});
        FAIL() << "a refused cooperative level must raise";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), modDX::kErrInvalidArgument);
    }

    modDX::SoundDevice.reset();
    fake::ClearSoundEvents();
    EXPECT_NO_THROW(modDX::SetSoundWindow(platform::WindowHandle{}));
    EXPECT_TRUE(fake::SoundEvents().empty());
}

} // namespace

namespace {

// The one range check of the backends that keep their own buffers (fake, PulseAudio): each
// control's ends are accepted, a step past them refused, and a buffer made without the
// control refuses it whatever the value.
TEST(SoundControlCheck, EachControlTakesItsRangeOnlyOnABufferMadeWithIt) {
    using platform::SoundControl;
    using platform::SoundResult;
    constexpr std::uint32_t kBoth = platform::kBufferCtrlVolume | platform::kBufferCtrlPan;
    const struct {
        std::uint32_t flags;
        SoundControl control;
        std::int32_t value;
        SoundResult expected;
    } cases[] = {
        {kBoth, SoundControl::Volume, platform::kVolumeMin, SoundResult::Ok},
        {kBoth, SoundControl::Volume, platform::kVolumeMax, SoundResult::Ok},
        {kBoth, SoundControl::Volume, platform::kVolumeMin - 1, SoundResult::InvalidValue},
        {kBoth, SoundControl::Volume, platform::kVolumeMax + 1, SoundResult::InvalidValue},
        {kBoth, SoundControl::Pan, platform::kPanLeft, SoundResult::Ok},
        {kBoth, SoundControl::Pan, platform::kPanRight, SoundResult::Ok},
        {kBoth, SoundControl::Pan, platform::kPanLeft - 1, SoundResult::InvalidValue},
        {kBoth, SoundControl::Pan, platform::kPanRight + 1, SoundResult::InvalidValue},
        {platform::kBufferCtrlPan, SoundControl::Volume, 0, SoundResult::ControlUnavailable},
        {platform::kBufferCtrlPan, SoundControl::Volume, 1, SoundResult::ControlUnavailable},
        {platform::kBufferCtrlVolume, SoundControl::Pan, 0, SoundResult::ControlUnavailable},
        {platform::kBufferCtrlVolume, SoundControl::Volume, 0, SoundResult::Ok},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::CheckSoundControl(c.flags, c.control, c.value), c.expected)
            << "flags " << c.flags << ", control " << static_cast<int>(c.control) << ", value "
            << c.value;
    }
}

} // namespace
