// The sound effects as a listener hears them: the sound probe plays scenarios through the
// program's own modDX/modDS under Wine, the null sink's monitor is recorded, and the recording
// is measured. Also where the probe looks for the sound files, and what it does without them
// or without a sound server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "../win32/sound_wave_file.h"
#include "harness.h"
#include "sound_capture.h"

namespace {

namespace fs = std::filesystem;
using namespace e2e::sound;

class SoundEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        // These measure the Windows program's sound code, whichever pet the pass drives; the
        // native pet's sound is measured in tests/pulse.
        if (e2e::ProgramUnderTest() == e2e::PetProgram::Native) {
            GTEST_SKIP() << "the Windows sound code: measured in the Windows program's pass";
        }
        for (const char* name : {"PULSE_SERVER", "WINEPREFIX"}) {
            const char* value = std::getenv(name);
            ASSERT_TRUE(value && *value)
                << name << " is not set: run under scripts/env.sh's jellop_start";
        }
        probe_ = e2e::WindowsBuildPath("tests/win32/jellop_soundprobe.exe");
        ASSERT_TRUE(fs::exists(probe_)) << probe_ << " is missing: build the windows preset";
    }

    // Records the sink while the probe plays `scenario`.
    void Hear(const std::string& scenario, Recording& recording) {
        Recorder recorder;
        ASSERT_TRUE(recorder.Started()) << "parec did not start recording jellop.monitor";
        ProgramRun run = RunUnderWine(probe_, {scenario});
        recording = recorder.Stop();
        ASSERT_EQ(run.status, 0) << "probe " << scenario << ": " << run.output;
    }

    std::string probe_;
};

TEST_F(SoundEndToEnd, VolumeMinus1500Is15DecibelsBelowFullVolume) {
    Recording recording;
    ASSERT_NO_FATAL_FAILURE(Hear("levels", recording));
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 2u) << Describe(stretches);
    double full = LevelDb(recording.left, stretches[0]);
    double quiet = LevelDb(recording.left, stretches[1]);
    std::cout << "volume 0: " << full << " dBFS, volume -1500: " << quiet << " dBFS\n";
    // The tone's samples peak at half of full scale: -9 dBFS RMS, passed through unchanged.
    EXPECT_NEAR(full, -9.0, 1.0);
    EXPECT_NEAR(full - quiet, 15.0, 1.5);
    EXPECT_NEAR(LevelDb(recording.right, stretches[0]), full, 0.5) << "centred: both sides equal";
}

TEST_F(SoundEndToEnd, PanFiveThousandPutsTheOtherSideAbout50DecibelsDown) {
    Recording recording;
    ASSERT_NO_FATAL_FAILURE(Hear("pan", recording));
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 2u) << Describe(stretches);
    const Stretch& left = stretches[0];  // pan -5000
    const Stretch& right = stretches[1]; // pan +5000
    std::cout << "pan -5000: left " << LevelDb(recording.left, left) << " right "
              << LevelDb(recording.right, left) << " dBFS; pan +5000: left "
              << LevelDb(recording.left, right) << " right " << LevelDb(recording.right, right)
              << " dBFS\n";
    EXPECT_NEAR(LevelDb(recording.left, left) - LevelDb(recording.right, left), 50.0, 2.5);
    EXPECT_NEAR(LevelDb(recording.right, right) - LevelDb(recording.left, right), 50.0, 2.5);
    EXPECT_NEAR(LevelDb(recording.left, left), -9.0, 1.0) << "the near side keeps full volume";
    EXPECT_NEAR(LevelDb(recording.right, right), -9.0, 1.0);
}

// The sound is 300 ms at 500 Hz followed by 300 ms at 1500 Hz. Playing it again 150 ms after
// it started must restart it: the 500 Hz part then lasts about 450 ms in all, the 1500 Hz part
// is heard once, and never together with the 500 Hz part. A second copy mixed in would overlap
// the two parts for about 150 ms (the probe's "mixed" control shows that the measurement sees
// such an overlap).
TEST_F(SoundEndToEnd, PlayingASoundThatStillPlaysRestartsItInsteadOfMixingASecondCopy) {
    Recording recording;
    ASSERT_NO_FATAL_FAILURE(Hear("restart", recording));
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 1u) << Describe(stretches);
    PartsHeard parts = MeasureParts(recording, stretches[0]);
    std::cout << "restart: 500 Hz " << parts.low * 10 << " ms, 1500 Hz " << parts.high * 10
              << " ms, both " << parts.both * 10 << " ms\n";
    EXPECT_LE(parts.both, 3) << "the two parts overlap: a second copy was mixed in";
    EXPECT_NEAR(parts.high, 30, 5) << "the 1500 Hz part is heard once, 300 ms";
    EXPECT_NEAR(parts.low, 45, 7) << "the 500 Hz part: 150 ms, then 300 ms after the restart";

    Recording mixed;
    ASSERT_NO_FATAL_FAILURE(Hear("mixed", mixed));
    auto mixedStretches = SoundStretches(mixed);
    ASSERT_EQ(mixedStretches.size(), 1u) << Describe(mixedStretches);
    PartsHeard mixedParts = MeasureParts(mixed, mixedStretches[0]);
    std::cout << "two copies: both parts together " << mixedParts.both * 10 << " ms\n";
    EXPECT_GE(mixedParts.both, 10) << "two copies 150 ms apart must show as overlapping parts";
}

TEST_F(SoundEndToEnd, StopSilencesALoopingSound) {
    Recording recording;
    ASSERT_NO_FATAL_FAILURE(Hear("stop", recording));
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 1u) << Describe(stretches);
    // A 300 ms tone looping for 700 ms, then stopped.
    std::cout << Describe(stretches) << "\n";
    EXPECT_NEAR(stretches[0].Milliseconds(), 700, 150);
    EXPECT_GT((recording.Frames() - stretches[0].end) * 1000.0 / kRate, 500)
        << "silence after the stop was recorded";
}

TEST_F(SoundEndToEnd, TheEffectFilesBesideTheProbeAreHeard) {
    Recording recording;
    ASSERT_NO_FATAL_FAILURE(Hear("effects", recording));
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 2u) << Describe(stretches);
    std::cout << Describe(stretches) << "\n";
    for (const Stretch& stretch : stretches) {
        EXPECT_GT(LevelDb(recording.left, stretch), -45) << "audible at volume -1500";
    }
    EXPECT_LT(stretches[0].Milliseconds(), stretches[1].Milliseconds())
        << "the move sound is the short one and plays first";
}

// The system's device is opened with the first buffer (an open device mixes all the time), so
// without a server the device object is there but makes no buffer: the program is silent.
TEST_F(SoundEndToEnd, WithoutASoundServerThereIsNoBufferAndNoMessage) {
    ProgramRun run = RunUnderWine(probe_, {"load"}, {},
                                  {{"PULSE_SERVER", "unix:/nonexistent/jellop-no-server"}});
    // A message box would wait for a click that never comes: the probe would not end.
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "device=1 move=0 die=0\n");
}

// The probe, copied into a directory of its own with some of the sound files, run from that
// directory or from another one that holds damaged files under the same names.
TEST_F(SoundEndToEnd, TheSoundFilesAreTakenFromTheExecutablesDirectoryOnly) {
    soundtest::WaveContent tone;
    tone.data = soundtest::Pcm16(soundtest::Tone(700, 0.2, 0.5));
    const auto wave = soundtest::WaveBytes(tone);
    const std::vector<std::uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'};
    struct Layout {
        const char* what;
        const std::vector<std::uint8_t>* move;
        const std::vector<std::uint8_t>* die;
        bool fromElsewhere;
        const char* expected;
    };
    const Layout layouts[] = {
        {"both files", &wave, &wave, false, "device=1 move=1 die=1\n"},
        {"both files, started elsewhere", &wave, &wave, true, "device=1 move=1 die=1\n"},
        {"no files", nullptr, nullptr, false, "device=1 move=0 die=0\n"},
        {"no files beside it, both in the working directory", nullptr, nullptr, true,
         "device=1 move=0 die=0\n"},
        {"only jellop_die.wav", nullptr, &wave, false, "device=1 move=0 die=1\n"},
        {"jellop_move.wav is not a wave file", &text, &wave, false, "device=1 move=0 die=1\n"},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        ScratchDirectory home, elsewhere;
        fs::copy_file(probe_, home.Path() + "/jellop_soundprobe.exe");
        if (layout.move) {
            soundtest::WriteFileBytes(home.Path() + "/jellop_move.wav", *layout.move);
        }
        if (layout.die) {
            soundtest::WriteFileBytes(home.Path() + "/jellop_die.wav", *layout.die);
        }
        // The working directory offers usable files when there are none beside the probe,
        // and damaged ones when there are.
        const auto& decoy = layout.move ? text : wave;
        soundtest::WriteFileBytes(elsewhere.Path() + "/jellop_move.wav", decoy);
        soundtest::WriteFileBytes(elsewhere.Path() + "/jellop_die.wav", decoy);

        ProgramRun run = RunUnderWine(home.Path() + "/jellop_soundprobe.exe", {"load"},
                                      layout.fromElsewhere ? elsewhere.Path() : home.Path());
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, layout.expected);
    }
}

} // namespace
