// Hearing what a program plays: the PulseAudio null sink "jellop" of the test environment
// recorded through its monitor with parec, and the recording measured (levels per channel,
// stretches of sound between silences, tone strengths). Used by the end-to-end tests (programs
// under Wine) and by the native sound tests.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace capture::sound {

using namespace std::chrono_literals;

inline constexpr int kRate = 44100;

// 16-bit stereo samples from the sink's monitor, as -1..1.
struct Recording {
    std::vector<double> left, right;
    std::size_t Frames() const { return left.size(); }
};

// Starts parec on the sink's monitor; Stop ends it and returns what it recorded.
class Recorder {
  public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool Started() const { return started_; }
    Recording Stop();

  private:
    int pid_ = -1;
    std::string file_;
    bool started_ = false;
};

// A stretch of sound, in samples from the start of the recording.
struct Stretch {
    std::size_t begin, end;
    double Milliseconds() const { return (end - begin) * 1000.0 / kRate; }
};

// The stretches in which either channel is louder than `thresholdDb` (RMS over 10 ms windows),
// with gaps shorter than 80 ms bridged (on a loaded machine the sound server can drop a few
// buffers in the middle of a sound) and blips shorter than 30 ms dropped.
std::vector<Stretch> SoundStretches(const Recording& recording, double thresholdDb = -65);

// The stretches as a test's message gives them: where each begins and how long it lasts.
std::string Describe(const std::vector<Stretch>& stretches);

// The level in dBFS of the middle 60% of a stretch of one channel: the median of its 10 ms
// windows' RMS levels, so that gaps in the recording (a sound server starved for a moment on a
// loaded machine) do not pull a steady sound's level down.
double LevelDb(const std::vector<double>& channel, const Stretch& stretch);

// Amplitude (1 = full scale) of the `hz` component of each 10 ms window of a channel.
std::vector<double> ToneAmplitudes(const std::vector<double>& channel, double hz);

// The two-part sound of the restart tests: 500 Hz, then 1500 Hz. How many 10 ms windows of a
// stretch of the left channel hold each part, and how many hold both at once (which only a
// second copy mixed in gives).
struct PartsHeard {
    int low = 0, high = 0, both = 0;
};
PartsHeard MeasureParts(const Recording& recording, const Stretch& stretch);

// A fresh directory under /tmp, removed with its contents at the end.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

} // namespace capture::sound
