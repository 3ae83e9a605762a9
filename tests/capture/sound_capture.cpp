#include "sound_capture.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "capture/process.h"
#include "gdi/little_endian.h"

namespace capture::sound {
namespace {

constexpr std::size_t kWindow = kRate / 100; // 10 ms

} // namespace

Recorder::Recorder() : file_(TempFile("jellop-capture")) {
    pid_ = StartProcess({"parec", "-d", "jellop.monitor", "--raw", "--format=s16le", "--rate=44100",
                         "--channels=2", "--latency-msec=20"},
                        file_);
    // The monitor delivers silence continuously: recording has begun once bytes arrive.
    auto deadline = std::chrono::steady_clock::now() + 10s;
    struct stat info {};
    while (std::chrono::steady_clock::now() < deadline) {
        if (stat(file_.c_str(), &info) == 0 && info.st_size > 4 * 4410) {
            started_ = true;
            break;
        }
        if (WaitForProcess(pid_, 0ms)) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
}

Recorder::~Recorder() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        WaitForProcess(pid_, 5s);
    }
    std::remove(file_.c_str());
}

Recording Recorder::Stop() {
    // The last sound needs a moment to pass through Wine's mixer and the sink.
    std::this_thread::sleep_for(400ms);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!WaitForProcess(pid_, 5s)) {
            kill(-pid_, SIGKILL);
            WaitForProcess(pid_, 5s);
        }
        pid_ = -1;
    }
    std::string bytes = ReadFile(file_);
    Recording recording;
    const std::size_t frames = bytes.size() / 4;
    recording.left.reserve(frames);
    recording.right.reserve(frames);
    auto sample = [&](std::size_t at) {
        return static_cast<std::int16_t>(platform::le::Load16(bytes.data() + at)) / 32768.0;
    };
    for (std::size_t i = 0; i < frames; ++i) {
        recording.left.push_back(sample(4 * i));
        recording.right.push_back(sample(4 * i + 2));
    }
    return recording;
}

namespace {

double RmsDb(const std::vector<double>& channel, std::size_t begin, std::size_t end) {
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i) {
        sum += channel[i] * channel[i];
    }
    double rms = end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0;
    return rms > 0 ? 20 * std::log10(rms) : -200;
}

} // namespace

std::vector<Stretch> SoundStretches(const Recording& recording, double thresholdDb) {
    std::vector<Stretch> raw;
    for (std::size_t at = 0; at + kWindow <= recording.Frames(); at += kWindow) {
        bool loud = RmsDb(recording.left, at, at + kWindow) > thresholdDb ||
                    RmsDb(recording.right, at, at + kWindow) > thresholdDb;
        if (!loud) {
            continue;
        }
        if (!raw.empty() && at - raw.back().end < 8 * kWindow) {
            raw.back().end = at + kWindow;
        } else {
            raw.push_back({at, at + kWindow});
        }
    }
    std::vector<Stretch> stretches;
    for (const Stretch& stretch : raw) {
        if (stretch.end - stretch.begin >= 3 * kWindow) {
            stretches.push_back(stretch);
        }
    }
    return stretches;
}

std::string Describe(const std::vector<Stretch>& stretches) {
    std::ostringstream text;
    text << stretches.size() << " stretch(es) of sound:";
    for (const Stretch& stretch : stretches) {
        text << " [" << stretch.begin * 1000.0 / kRate << " ms, " << stretch.Milliseconds()
             << " ms long]";
    }
    return text.str();
}

double LevelDb(const std::vector<double>& channel, const Stretch& stretch) {
    const std::size_t length = stretch.end - stretch.begin;
    const std::size_t begin = stretch.begin + length / 5;
    const std::size_t end = stretch.end - length / 5;
    std::vector<double> levels;
    for (std::size_t at = begin; at + kWindow <= end; at += kWindow) {
        levels.push_back(RmsDb(channel, at, at + kWindow));
    }
    if (levels.empty()) {
        return RmsDb(channel, begin, end);
    }
    auto middle = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2);
    std::nth_element(levels.begin(), middle, levels.end());
    return *middle;
}

std::vector<double> ToneAmplitudes(const std::vector<double>& channel, double hz) {
    // Goertzel's algorithm over each window.
    const double pi = 3.14159265358979323846;
    const double coefficient = 2 * std::cos(2 * pi * hz / kRate);
    std::vector<double> amplitudes;
    for (std::size_t at = 0; at + kWindow <= channel.size(); at += kWindow) {
        double previous = 0, beforePrevious = 0;
        for (std::size_t i = at; i < at + kWindow; ++i) {
            double current = channel[i] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
        }
        double power = previous * previous + beforePrevious * beforePrevious -
                       coefficient * previous * beforePrevious;
        amplitudes.push_back(2 * std::sqrt(std::max(power, 0.0)) / kWindow);
    }
    return amplitudes;
}

PartsHeard MeasureParts(const Recording& recording, const Stretch& stretch) {
    auto low = ToneAmplitudes(recording.left, 500);
    auto high = ToneAmplitudes(recording.left, 1500);
    PartsHeard parts;
    for (std::size_t window = stretch.begin / (kRate / 100);
         window < stretch.end / (kRate / 100) && window < low.size(); ++window) {
        bool lowOn = low[window] > 0.05, highOn = high[window] > 0.05;
        parts.low += lowOn;
        parts.high += highOn;
        parts.both += lowOn && highOn;
    }
    return parts;
}

ScratchDirectory::ScratchDirectory() {
    std::string pattern = "/tmp/jellop-sound-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace capture::sound
