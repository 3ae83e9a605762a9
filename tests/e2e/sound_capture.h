// Hearing what Windows programs play: the sound probe run under Wine, the PulseAudio null
// sink "jellop" recorded through its monitor with parec, and the recording measured (levels per
// channel, stretches of sound between silences, tone strengths).
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e::sound {

using namespace std::chrono_literals;

inline constexpr int kRate = 44100;

// The Windows program `exe` run under Wine with `arguments`, in `workingDirectory` (if given),
// with `environment` added to this process's own. Its standard output is collected; it is
// killed if it has not ended within `timeout`. Line ends in the output are plain '\n'.
struct ProgramRun {
    std::optional<int> status; // empty: timed out and killed
    std::string output;
};
ProgramRun RunUnderWine(const std::string& exe, const std::vector<std::string>& arguments,
                        const std::string& workingDirectory = {},
                        const std::map<std::string, std::string>& environment = {},
                        std::chrono::milliseconds timeout = 60s);

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

// RMS level in dBFS of the middle 60% of a stretch of one channel.
double LevelDb(const std::vector<double>& channel, const Stretch& stretch);

// Amplitude (1 = full scale) of the `hz` component of each 10 ms window of a channel.
std::vector<double> ToneAmplitudes(const std::vector<double>& channel, double hz);

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

} // namespace e2e::sound
