// Checks the committed sound effects: format, length, level and soft edges,
// and that the synthesiser reproduces them exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "native/committed_files.h"
#include "sounds.h"

namespace {

using committed::Bytes;
using committed::readFile;
using committed::u16;
using committed::u32;

double dbfs(double linear) {
    return 20 * std::log10(linear / 32768.0);
}

// Parses a RIFF WAVE file, checking that it is 16-bit mono PCM at 44100 Hz,
// and returns its samples.
std::vector<std::int16_t> loadWav(const std::string& relative) {
    const Bytes b = readFile(relative);
    std::vector<std::int16_t> samples;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
        ADD_FAILURE() << relative << " is not a RIFF WAVE file";
        return samples;
    }
    EXPECT_EQ(u32(b, 4), b.size() - 8) << relative << ": RIFF size";
    bool sawFormat = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const std::string id(b.begin() + static_cast<std::ptrdiff_t>(at),
                             b.begin() + static_cast<std::ptrdiff_t>(at + 4));
        const size_t size = u32(b, at + 4), body = at + 8;
        if (body + size > b.size()) {
            ADD_FAILURE() << relative << ": chunk " << id << " runs past the end";
            break;
        }
        if (id == "fmt ") {
            sawFormat = true;
            EXPECT_EQ(u16(b, body), 1u) << relative << ": PCM";
            EXPECT_EQ(u16(b, body + 2), 1u) << relative << ": mono";
            EXPECT_EQ(u32(b, body + 4), 44100u) << relative << ": sample rate";
            EXPECT_EQ(u32(b, body + 8), 88200u) << relative << ": byte rate";
            EXPECT_EQ(u16(b, body + 12), 2u) << relative << ": block align";
            EXPECT_EQ(u16(b, body + 14), 16u) << relative << ": bits per sample";
        } else if (id == "data") {
            EXPECT_TRUE(sawFormat) << relative << ": data before fmt";
            for (size_t i = 0; i + 1 < size; i += 2)
                samples.push_back(static_cast<std::int16_t>(u16(b, body + i)));
        }
        at = body + size + (size & 1);
    }
    EXPECT_FALSE(samples.empty()) << relative << ": no sample data";
    return samples;
}

struct Level {
    int peak = 0;         // largest magnitude
    double activeRms = 0; // between the first and last sample above -40 dBFS
};

Level measure(const std::vector<std::int16_t>& s) {
    Level level;
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const int m = std::abs(int(s[i]));
        level.peak = std::max(level.peak, m);
        if (m > 328) {
            first = std::min(first, i);
            last = i;
        }
    }
    double sum = 0;
    for (size_t i = first; i <= last && i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    if (first <= last)
        level.activeRms = std::sqrt(sum / double(last - first + 1));
    return level;
}

struct ExpectedSound {
    const char* path;
    double minSeconds, maxSeconds;
};

const ExpectedSound kSounds[] = {
    {"resources/sounds/jellop_move.wav", 0.1, 0.3},
    {"resources/sounds/jellop_die.wav", 0.4, 1.5},
};

TEST(Sounds, AreShortMonoPcm16At44100) {
    for (const ExpectedSound& s : kSounds) {
        const auto samples = loadWav(s.path);
        const double seconds = double(samples.size()) / 44100;
        EXPECT_GE(seconds, s.minSeconds) << s.path;
        EXPECT_LE(seconds, s.maxSeconds) << s.path;
    }
}

TEST(Sounds, PeakSitsBetweenMinus6AndMinus3DbfsWithoutClipping) {
    for (const ExpectedSound& s : kSounds) {
        const Level level = measure(loadWav(s.path));
        EXPECT_LT(level.peak, 32767) << s.path;
        EXPECT_GE(dbfs(level.peak), -6.5) << s.path;
        EXPECT_LE(dbfs(level.peak), -2.5) << s.path;
    }
}

TEST(Sounds, AreClearlyAudibleOverTheirActivePart) {
    for (const ExpectedSound& s : kSounds) {
        const Level level = measure(loadWav(s.path));
        EXPECT_GT(dbfs(level.activeRms), -30.0) << s.path;
    }
}

TEST(Sounds, FadeInAndOutWithoutClicks) {
    for (const ExpectedSound& s : kSounds) {
        const auto samples = loadWav(s.path);
        if (samples.size() < 1000)
            continue;
        const int peak = measure(samples).peak;
        EXPECT_LT(std::abs(int(samples.front())), 100) << s.path;
        EXPECT_LT(std::abs(int(samples.back())), 100) << s.path;
        // The first and last half millisecond stay well below the peak.
        const size_t edge = 22;
        for (size_t i = 0; i < edge; ++i) {
            EXPECT_LT(std::abs(int(samples[i])), peak / 4) << s.path << " sample " << i;
            EXPECT_LT(std::abs(int(samples[samples.size() - 1 - i])), peak / 4)
                << s.path << " from the end " << i;
        }
        // No jump between neighbouring samples as large as half full scale.
        for (size_t i = 1; i < samples.size(); ++i)
            ASSERT_LT(std::abs(int(samples[i]) - int(samples[i - 1])), 16384)
                << s.path << " sample " << i;
    }
}

TEST(Sounds, SynthesiserReproducesTheCommittedFiles) {
    const auto files = jellop::sound::generateSounds();
    EXPECT_EQ(files.size(), std::size(kSounds));
    for (const auto& [path, bytes] : files)
        EXPECT_TRUE(bytes == readFile(path)) << path << " is out of date";
}

} // namespace
