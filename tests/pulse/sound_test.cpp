// The PulseAudio sound backend as a listener hears it: buffers loaded from wave files and
// played through the test environment's sound server while its null sink is recorded, measured
// as the Wine tier measures DirectSound. Also what the backend does without a server, when the
// server stops answering or goes away, and that the server mixes a buffer's one stream only while
// it plays.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>

#include "capture/process.h"
#include "capture/sound_capture.h"
#include "platform/sound.h"
#include "platform/x11/sound/sound_poll.h"
#include "win32/sound_wave_file.h"

namespace {

using namespace capture::sound;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::SoundBuffer;
using platform::SoundDevice;

constexpr std::uint32_t kEffectFlags = platform::kBufferCtrlPan | platform::kBufferCtrlVolume;

// The results of the sound calls, in the contract's terms.
constexpr platform::SoundResult kOk = platform::SoundResult::Ok;
constexpr platform::SoundResult kInvalid = platform::SoundResult::InvalidValue;
constexpr platform::SoundResult kNoControl = platform::SoundResult::ControlUnavailable;

// The program's loop between its ticks, for `duration`: waiting on the sound server only.
// Returns how often it woke.
int RunLoop(std::chrono::milliseconds duration) {
    const auto end = Clock::now() + duration;
    int waits = 0;
    for (auto now = Clock::now(); now < end; now = Clock::now(), ++waits) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        platform::pulse::PollWithSound(nullptr, 0, static_cast<int>(left.count()));
    }
    return waits;
}

// The streams of the server (sink inputs) as pactl lists them: each one's index, and whether
// it is corked (the server mixes nothing of it).
struct ServerStream {
    int index = -1;
    bool corked = false;
};
std::vector<ServerStream> ServerStreams() {
    const std::string listing = capture::TempFile("jellop-sink-inputs");
    int pid = capture::StartProcess({"pactl", "list", "sink-inputs"}, listing);
    capture::WaitForProcess(pid, 10s);
    std::istringstream text(capture::ReadFile(listing));
    std::remove(listing.c_str());
    std::vector<ServerStream> streams;
    for (std::string line; std::getline(text, line);) {
        if (line.rfind("Sink Input #", 0) == 0) {
            streams.push_back({std::stoi(line.substr(12)), false});
        } else if (!streams.empty() && line.find("Corked: yes") != std::string::npos) {
            streams.back().corked = true;
        }
    }
    return streams;
}

// The latency the server has set its sink to (the test's null sink), in milliseconds: what
// the streams playing to it asked for.
double SinkLatencyMs() {
    const std::string listing = capture::TempFile("jellop-sinks");
    int pid = capture::StartProcess({"pactl", "list", "sinks"}, listing);
    capture::WaitForProcess(pid, 10s);
    const std::string text = capture::ReadFile(listing);
    std::remove(listing.c_str());
    const std::string key = "configured ";
    std::size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::stod(text.substr(at + key.size())) / 1000;
}

// The streams the server plays now: those not corked.
int PlayingStreams() {
    std::vector<ServerStream> streams = ServerStreams();
    return static_cast<int>(
        std::count_if(streams.begin(), streams.end(), [](const auto& s) { return !s.corked; }));
}

// 500 Hz for 300 ms, then 1500 Hz for 300 ms (see MeasureParts).
soundtest::WaveContent TwoParts() {
    auto samples = soundtest::Tone(500, 0.3, 0.5);
    auto high = soundtest::Tone(1500, 0.3, 0.5);
    samples.insert(samples.end(), high.begin(), high.end());
    soundtest::WaveContent wave;
    wave.data = soundtest::Pcm16(samples);
    return wave;
}

soundtest::WaveContent ToneAt1kHz(double seconds) {
    soundtest::WaveContent wave;
    wave.data = soundtest::Pcm16(soundtest::Tone(1000, seconds, 0.5));
    return wave;
}

class PulseSound : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* server = std::getenv("PULSE_SERVER");
        ASSERT_TRUE(server && *server) << "PULSE_SERVER is not set: run under scripts/env.sh's "
                                          "jellop_start";
        device_ = SoundDevice::CreateDefault();
        ASSERT_TRUE(device_.has_value());
    }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string file = dir_.Path() + "/" + name;
        EXPECT_TRUE(soundtest::WriteFileBytes(file, bytes)) << file;
        return file;
    }
    std::optional<SoundBuffer> Load(const std::string& name, const soundtest::WaveContent& wave,
                                    std::uint32_t flags = kEffectFlags) {
        return device_->CreateBufferFromFile(Write(name, soundtest::WaveBytes(wave)), {flags});
    }

    // Records the null sink while `scenario` runs.
    Recording Hear(const std::function<void()>& scenario) {
        Recorder recorder;
        EXPECT_TRUE(recorder.Started()) << "parec did not start recording jellop.monitor";
        scenario();
        RunLoop(300ms);
        return recorder.Stop();
    }

    ScratchDirectory dir_;
    std::optional<SoundDevice> device_;
};

TEST_F(PulseSound, VolumeMinus1500IsExactly15DecibelsBelowFullVolume) {
    auto tone = Load("tone.wav", ToneAt1kHz(0.4));
    ASSERT_TRUE(tone.has_value());
    Recording recording = Hear([&] {
        EXPECT_EQ(tone->Play(0), kOk);
        RunLoop(1100ms);
        EXPECT_EQ(tone->SetVolume(-1500), kOk);
        EXPECT_EQ(tone->Play(0), kOk);
        RunLoop(500ms);
    });
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 2u) << Describe(stretches);
    const double full = LevelDb(recording.left, stretches[0]);
    const double quiet = LevelDb(recording.left, stretches[1]);
    std::cout << "volume 0: " << full << " dBFS, volume -1500: " << quiet << " dBFS\n";
    // The tone's samples peak at half of full scale: -9.0 dBFS RMS, passed through unchanged.
    EXPECT_NEAR(full, -9.03, 0.1);
    EXPECT_NEAR(full - quiet, 15.0, 0.2);
    EXPECT_NEAR(LevelDb(recording.right, stretches[0]), full, 0.05) << "centred: sides equal";
}

TEST_F(PulseSound, PanAttenuatesTheOtherSideAndSilencesItAtTheEnds) {
    auto tone = Load("tone.wav", ToneAt1kHz(0.4));
    ASSERT_TRUE(tone.has_value());
    const std::int32_t pans[] = {-5000, 5000, platform::kPanLeft, platform::kPanRight};
    Recording recording = Hear([&] {
        for (std::int32_t pan : pans) {
            EXPECT_EQ(tone->SetPan(pan), kOk);
            EXPECT_EQ(tone->Play(0), kOk);
            RunLoop(1100ms);
        }
    });
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 4u) << Describe(stretches);
    for (std::size_t i = 0; i < 4; ++i) {
        const bool left = pans[i] < 0;
        const double nearSide = LevelDb(left ? recording.left : recording.right, stretches[i]);
        const double farSide = LevelDb(left ? recording.right : recording.left, stretches[i]);
        std::cout << "pan " << pans[i] << ": near side " << nearSide << " dBFS, far side "
                  << farSide << " dBFS\n";
        EXPECT_NEAR(nearSide, -9.03, 0.1) << "pan " << pans[i] << ": the near side keeps it all";
        if (pans[i] == 5000 || pans[i] == -5000) {
            EXPECT_NEAR(nearSide - farSide, 50.0, 0.5) << "pan " << pans[i];
        } else {
            EXPECT_LT(farSide, -150) << "pan " << pans[i] << ": the far side is silent";
        }
    }
}

// Playing the two-part sound again 150 ms after it started: rewound first (as the pet does), it
// restarts, so the 500 Hz part lasts about 450 ms and the 1500 Hz part is heard once, never
// with the 500 Hz part; not rewound, it plays on as if nothing happened. Two buffers of the same
// sound 150 ms apart show what a second copy would sound like.
TEST_F(PulseSound, PlayRestartsARewoundSoundAndNeverMixesASecondCopy) {
    auto sound = Load("parts.wav", TwoParts());
    auto copy = Load("copy.wav", TwoParts());
    ASSERT_TRUE(sound.has_value() && copy.has_value());
    auto heard = [&](const char* what, const std::function<void()>& secondPlay) {
        Recording recording = Hear([&] {
            sound->Play(0);
            RunLoop(150ms);
            secondPlay();
            RunLoop(1000ms);
        });
        auto stretches = SoundStretches(recording);
        EXPECT_EQ(stretches.size(), 1u) << what << ": " << Describe(stretches);
        PartsHeard parts = stretches.empty() ? PartsHeard{} : MeasureParts(recording, stretches[0]);
        std::cout << what << ": 500 Hz " << parts.low * 10 << " ms, 1500 Hz " << parts.high * 10
                  << " ms, both " << parts.both * 10 << " ms\n";
        return parts;
    };

    PartsHeard restarted = heard("rewound and played", [&] {
        EXPECT_EQ(sound->SetCurrentPosition(0), kOk);
        EXPECT_EQ(sound->Play(0), kOk);
    });
    EXPECT_LE(restarted.both, 3) << "the two parts overlap: a second copy was mixed in";
    EXPECT_NEAR(restarted.high, 30, 4) << "the 1500 Hz part is heard once, 300 ms";
    EXPECT_NEAR(restarted.low, 45, 5) << "the 500 Hz part: 150 ms, then 300 ms after the restart";

    PartsHeard playedOn = heard("played again", [&] { sound->Play(0); });
    EXPECT_LE(playedOn.both, 3);
    EXPECT_NEAR(playedOn.low, 30, 4) << "played on from where it was";
    EXPECT_NEAR(playedOn.high, 30, 4);

    PartsHeard mixed = heard("two copies", [&] { copy->Play(0); });
    EXPECT_GE(mixed.both, 10) << "two copies 150 ms apart must show as overlapping parts";
}

// The server mixes a buffer's stream only while it plays: none after loading, one while
// playing, none once stopped or once a sound played once has been heard to its end. The stream
// is made once and kept, corked, for the next play.
TEST_F(PulseSound, LoopingPlaysUntilStopAndNothingIsMixedWhileSilent) {
    auto tone = Load("tone.wav", ToneAt1kHz(0.3));
    ASSERT_TRUE(tone.has_value());
    RunLoop(100ms);
    EXPECT_TRUE(ServerStreams().empty()) << "loaded but never played";
    EXPECT_EQ(RunLoop(500ms), 1) << "the loop sleeps through while nothing plays";
    int whileLooping = -1;
    double sinkLatencyMs = -1;
    int wakeups = 0;
    double playedMs = 0; // 700 ms and the time pactl takes
    Recording recording = Hear([&] {
        const auto start = Clock::now();
        EXPECT_EQ(tone->Play(platform::kPlayLooping), kOk);
        wakeups = RunLoop(350ms);
        whileLooping = PlayingStreams();
        sinkLatencyMs = SinkLatencyMs();
        wakeups += RunLoop(350ms);
        EXPECT_TRUE(tone->IsPlaying()) << "a looping sound goes on past its end";
        EXPECT_EQ(tone->Stop(), kOk);
        playedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        EXPECT_FALSE(tone->IsPlaying());
    });
    EXPECT_EQ(whileLooping, 1);
    std::cout << "the loop woke " << wakeups << " times in 700 ms of playing\n";
    EXPECT_LT(wakeups, 50) << "feeding the stream keeps the loop busy";
    // A sink left with (almost) no latency of its own wakes the server every half millisecond.
    EXPECT_GE(sinkLatencyMs, 20) << "the stream leaves the sink too little latency";
    RunLoop(100ms);
    std::vector<ServerStream> stopped = ServerStreams();
    ASSERT_EQ(stopped.size(), 1u) << "the stream is kept";
    EXPECT_TRUE(stopped[0].corked) << "stopped";
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 1u) << Describe(stretches);
    std::cout << "looping, stopped after " << playedMs << " ms: " << Describe(stretches) << "\n";
    EXPECT_NEAR(stretches[0].Milliseconds(), playedMs, 60);

    Recording again = Hear([&] {
        EXPECT_EQ(tone->SetCurrentPosition(0), kOk);
        EXPECT_EQ(tone->Play(0), kOk);
        EXPECT_TRUE(tone->IsPlaying());
        RunLoop(600ms);
        EXPECT_FALSE(tone->IsPlaying()) << "a sound played once stops at its end";
    });
    auto onceStretches = SoundStretches(again);
    ASSERT_EQ(onceStretches.size(), 1u) << Describe(onceStretches);
    EXPECT_NEAR(onceStretches[0].Milliseconds(), 300, 40) << "played once, on the kept stream";
    std::vector<ServerStream> ended = ServerStreams();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].index, stopped[0].index) << "a new stream was made for the play";
    EXPECT_TRUE(ended[0].corked) << "heard to its end";
}

// Each sample format as the server plays it: mono 8-bit (unsigned) at 22050 Hz, 24-bit and
// 32-bit at 48000 Hz (resampled), and a stereo file whose tone is on its left channel only.
TEST_F(PulseSound, EverySampleFormatIsHeardAtItsLevelOnItsSides) {
    struct Case {
        const char* name;
        std::uint16_t bits, channels;
        std::uint32_t rate;
    };
    const Case cases[] = {{"u8.wav", 8, 1, 22050},
                          {"s24.wav", 24, 1, 48000},
                          {"s32.wav", 32, 1, 48000},
                          {"left-only.wav", 16, 2, 44100}};
    std::vector<SoundBuffer> buffers;
    for (const Case& c : cases) {
        auto tone = soundtest::Tone(1000, 0.4, 0.5, static_cast<int>(c.rate));
        std::vector<double> samples;
        for (double sample : tone) {
            samples.push_back(sample);
            if (c.channels == 2) {
                samples.push_back(0); // the right channel
            }
        }
        soundtest::WaveContent wave;
        wave.bitsPerSample = c.bits;
        wave.channels = c.channels;
        wave.samplesPerSec = c.rate;
        wave.data = soundtest::Pcm(samples, c.bits);
        auto buffer = Load(c.name, wave);
        ASSERT_TRUE(buffer.has_value()) << c.name;
        buffers.push_back(std::move(*buffer));
    }
    Recording recording = Hear([&] {
        for (SoundBuffer& buffer : buffers) {
            EXPECT_EQ(buffer.Play(0), kOk);
            RunLoop(1100ms);
        }
    });
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), std::size(cases)) << Describe(stretches);
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const double left = LevelDb(recording.left, stretches[i]);
        const double right = LevelDb(recording.right, stretches[i]);
        std::cout << cases[i].name << ": left " << left << " dBFS, right " << right << " dBFS\n";
        EXPECT_NEAR(left, -9.03, 0.3) << cases[i].name;
        if (cases[i].channels == 1) {
            EXPECT_NEAR(right, left, 0.05) << cases[i].name << ": a mono sound on both sides";
        } else {
            EXPECT_LT(right, -90) << cases[i].name << ": the right channel stays silent";
        }
    }
}

// A short sound is given to the server whole: it plays on to its end while the program is
// busy elsewhere and does not wait on the sound server.
TEST_F(PulseSound, AShortSoundPlaysWholeWhileTheLoopIsBusy) {
    auto tone = Load("tone.wav", ToneAt1kHz(0.5));
    ASSERT_TRUE(tone.has_value());
    Recording recording = Hear([&] {
        EXPECT_EQ(tone->Play(0), kOk);
        std::this_thread::sleep_for(800ms);
    });
    auto stretches = SoundStretches(recording);
    ASSERT_EQ(stretches.size(), 1u) << Describe(stretches);
    EXPECT_NEAR(stretches[0].Milliseconds(), 500, 30) << Describe(stretches);
}

// Refusals, as on Windows, leave no buffer; volume and pan outside their ranges, or without
// their control, are refused with DirectSound's codes.
TEST_F(PulseSound, LoadsEveryPcmLayoutAndRefusesEverythingElse) {
    for (const soundtest::PcmLayout& layout : soundtest::kLoadableLayouts) {
        soundtest::WaveContent wave = layout.Silence();
        for (bool dataFirst : {false, true}) {
            wave.dataFirst = dataFirst;
            auto buffer = Load(layout.name, wave);
            ASSERT_TRUE(buffer.has_value()) << layout.name << (dataFirst ? ", data first" : "");
            EXPECT_EQ(buffer->Bytes(), wave.data.size()) << layout.name;
            EXPECT_EQ(buffer->Format().channels, layout.channels) << layout.name;
            EXPECT_EQ(buffer->Format().samplesPerSec, layout.rate) << layout.name;
            EXPECT_EQ(buffer->Format().bitsPerSample, layout.bits) << layout.name;
        }
    }
    for (const auto& [name, bytes] : soundtest::RefusedWaveFiles()) {
        EXPECT_FALSE(device_->CreateBufferFromFile(Write(name, bytes), {kEffectFlags}).has_value())
            << name;
    }
    EXPECT_FALSE(device_->CreateBufferFromFile(dir_.Path() + "/missing.wav", {kEffectFlags}));
    EXPECT_FALSE(device_->CreateBufferFromFile(dir_.Path(), {kEffectFlags})) << "a directory";

    auto tone = Load("tone.wav", ToneAt1kHz(0.1));
    ASSERT_TRUE(tone.has_value());
    EXPECT_EQ(tone->SetVolume(1), kInvalid);
    EXPECT_EQ(tone->SetVolume(-10001), kInvalid);
    EXPECT_EQ(tone->SetPan(10001), kInvalid);
    EXPECT_EQ(tone->SetCurrentPosition(tone->Bytes()), kInvalid);
    auto plain = Load("plain.wav", ToneAt1kHz(0.1), platform::kBufferCtrlVolume);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->SetPan(0), kNoControl);
}

// Restores an environment variable when it goes.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(PulseSound, WithoutAServerTheDeviceMakesNoBufferAtOnce) {
    ScopedEnvironment server("PULSE_SERVER", "unix:/nonexistent/jellop-no-server");
    auto device = SoundDevice::CreateDefault();
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(device->SetCooperativeLevel(platform::WindowHandle{1},
                                          platform::CooperativeLevel::Exclusive),
              kOk);
    const auto start = Clock::now();
    const std::string file = Write("tone.wav", soundtest::WaveBytes(ToneAt1kHz(0.1)));
    EXPECT_FALSE(device->CreateBufferFromFile(file, {kEffectFlags}).has_value());
    EXPECT_FALSE(device->CreateBufferFromFile(file, {kEffectFlags}).has_value());
    EXPECT_LT(Clock::now() - start, 500ms);
    // The loop's wait is then a plain poll().
    const auto waited = Clock::now();
    EXPECT_EQ(platform::pulse::PollWithSound(nullptr, 0, 50), 0);
    EXPECT_GE(Clock::now() - waited, 45ms);
}

// A sound server of the test's own, which it can pause, end and start again.
class PrivateServer {
  public:
    PrivateServer() : socket_(home_.Path() + "/native") { Start(); }
    ~PrivateServer() { End(); }
    void Start() {
        const std::string runtime = home_.Path() + "/run";
        mkdir(runtime.c_str(), 0700);
        std::filesystem::remove(socket_); // left by an ended server
        pid_ = capture::StartProcess(
            {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--load=module-native-protocol-unix socket=" + socket_,
             "--load=module-null-sink sink_name=private rate=44100 channels=2"},
            {}, {}, {{"HOME", home_.Path()}, {"XDG_RUNTIME_DIR", runtime}});
        const auto deadline = Clock::now() + 10s;
        while (!std::filesystem::exists(socket_) && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
    }
    bool Started() const { return std::filesystem::exists(socket_); }
    std::string Address() const { return "unix:" + socket_; }
    void Pause() { kill(pid_, SIGSTOP); }
    void End() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            capture::WaitForProcess(pid_, 5s);
            pid_ = -1;
        }
    }

  private:
    ScratchDirectory home_;
    std::string socket_;
    int pid_ = -1;
};

// The server that stops answering, then goes away, while a sound plays: every call goes on
// succeeding at once, the loop's waits keep to their timeouts, and nothing is heard of it (a
// SIGPIPE or an abort would end this test program). When a server is there again, the sounds
// played as the pet plays them (every 400 ms) reach it within a few seconds.
TEST_F(PulseSound, TheServerStoppingOrGoingAwayLeavesTheProgramSilentlyRunning) {
    PrivateServer privateServer;
    ASSERT_TRUE(privateServer.Started());
    ScopedEnvironment server("PULSE_SERVER", privateServer.Address());
    auto device = SoundDevice::CreateDefault();
    const std::string file = Write("tone.wav", soundtest::WaveBytes(ToneAt1kHz(0.3)));
    auto tone = device->CreateBufferFromFile(file, {kEffectFlags});
    ASSERT_TRUE(tone.has_value());
    tone->Play(platform::kPlayLooping);
    RunLoop(300ms);
    ASSERT_EQ(PlayingStreams(), 1) << "the sound plays on the test's own server"; // pactl too

    auto everything = [&](const char* when) {
        SCOPED_TRACE(when);
        const auto start = Clock::now();
        EXPECT_EQ(tone->SetPan(-3000), kOk);
        EXPECT_EQ(tone->SetVolume(-1500), kOk);
        EXPECT_EQ(tone->SetCurrentPosition(0), kOk);
        EXPECT_EQ(tone->Play(0), kOk);
        EXPECT_EQ(tone->Stop(), kOk);
        EXPECT_EQ(tone->Play(platform::kPlayLooping), kOk);
        EXPECT_TRUE(tone->IsPlaying());
        EXPECT_LT(Clock::now() - start, 100ms) << "a call waited for the server";
        for (int i = 0; i < 10; ++i) {
            const auto waited = Clock::now();
            platform::pulse::PollWithSound(nullptr, 0, 50);
            EXPECT_LT(Clock::now() - waited, 150ms) << "the loop's wait overran its timeout";
        }
    };
    privateServer.Pause();
    everything("server not answering");
    privateServer.End();
    everything("server gone");
    EXPECT_FALSE(device->CreateBufferFromFile(file, {kEffectFlags}).has_value());

    privateServer.Start();
    ASSERT_TRUE(privateServer.Started());
    tone->Stop();
    int streams = 0;
    for (auto deadline = Clock::now() + 10s; streams == 0 && Clock::now() < deadline;) {
        tone->SetCurrentPosition(0);
        tone->Play(0);
        RunLoop(400ms);
        streams = PlayingStreams();
    }
    EXPECT_EQ(streams, 1) << "the sound does not reach the server that came back";
    EXPECT_TRUE(device->CreateBufferFromFile(file, {kEffectFlags}).has_value());
}

} // namespace
