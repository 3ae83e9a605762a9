// Writes wave files for the sound tests: well-formed PCM in several layouts, and the damaged
// and unsupported kinds the loader must refuse. Header-only and portable; used by the Wine
// tests, the sound probe, the end-to-end tests and the native PulseAudio tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace soundtest {

struct WaveContent {
    std::uint16_t formatTag = 1; // 1 PCM, 2 MS ADPCM, 3 IEEE float, 0xFFFE extensible
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 44100;
    std::uint16_t bitsPerSample = 16;
    bool extensiblePcm = true; // for 0xFFFE: PCM samples (else IEEE float)
    bool dataFirst = false;    // the data chunk before the format chunk (unusual but valid)
    std::vector<std::uint8_t> data;
};

// Writes `value` little-endian into `bytes` bytes at `at`; returns the position after them.
inline std::size_t PutLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value,
                         int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at++] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return at;
}

inline std::size_t PutTag(std::vector<std::uint8_t>& out, std::size_t at, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out[at++] = static_cast<std::uint8_t>(tag[i]);
    }
    return at;
}

// The bytes of a RIFF WAVE file with a format chunk and a data chunk.
inline std::vector<std::uint8_t> WaveBytes(const WaveContent& wave) {
    const auto blockAlign = static_cast<std::uint16_t>(wave.channels * wave.bitsPerSample / 8);
    const bool extensible = wave.formatTag == 0xFFFE;
    const std::uint32_t formatBytes = extensible ? 40 : wave.formatTag == 1 ? 16 : 18;
    const auto dataBytes = static_cast<std::uint32_t>(wave.data.size());
    const std::uint32_t pad = dataBytes % 2;
    std::vector<std::uint8_t> out(12 + 8 + formatBytes + 8 + dataBytes + pad, 0);

    std::size_t at = PutTag(out, 0, "RIFF");
    at = PutLe(out, at, 4 + 8 + formatBytes + 8 + dataBytes + pad, 4);
    at = PutTag(out, at, "WAVE");
    auto writeFormat = [&] {
        at = PutTag(out, at, "fmt ");
        at = PutLe(out, at, formatBytes, 4);
        at = PutLe(out, at, wave.formatTag, 2);
        at = PutLe(out, at, wave.channels, 2);
        at = PutLe(out, at, wave.samplesPerSec, 4);
        at = PutLe(out, at, wave.samplesPerSec * blockAlign, 4);
        at = PutLe(out, at, blockAlign, 2);
        at = PutLe(out, at, wave.bitsPerSample, 2);
        if (extensible) {
            at = PutLe(out, at, 22, 2);                         // cbSize
            at = PutLe(out, at, wave.bitsPerSample, 2);         // valid bits per sample
            at = PutLe(out, at, wave.channels == 2 ? 3 : 4, 4); // channel mask
            at = PutLe(out, at, wave.extensiblePcm ? 1 : 3, 4); // sub-format GUID: PCM or float
            const std::uint8_t rest[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                         0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
            for (std::uint8_t byte : rest) {
                out[at++] = byte;
            }
        } else if (formatBytes == 18) {
            at = PutLe(out, at, 0, 2); // cbSize of a WAVEFORMATEX
        }
    };
    auto writeData = [&] {
        at = PutTag(out, at, "data");
        at = PutLe(out, at, dataBytes, 4);
        for (std::uint8_t byte : wave.data) {
            out[at++] = byte;
        }
        at += pad;
    };
    if (wave.dataFirst) {
        writeData();
        writeFormat();
    } else {
        writeFormat();
        writeData();
    }
    return out;
}

inline bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    // An empty vector's data() may be null, which fwrite must not be given even for no bytes.
    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Samples of `bits` bits (8: unsigned, 16, 24, 32: signed, little-endian), as a data chunk
// holds them; values beyond full scale are clipped.
inline std::vector<std::uint8_t> Pcm(const std::vector<double>& samples, int bits) {
    const int bytes = bits / 8;
    const double full = static_cast<double>((1LL << (bits - 1)) - 1);
    std::vector<std::uint8_t> data(samples.size() * bytes);
    std::size_t at = 0;
    for (double sample : samples) {
        long long value = std::llround(sample * full);
        value = value > full ? static_cast<long long>(full) : value < -full - 1 ? -full - 1 : value;
        if (bits == 8) {
            value += 128;
        }
        at = PutLe(data, at, static_cast<std::uint32_t>(value), bytes);
    }
    return data;
}

inline std::vector<std::uint8_t> Pcm16(const std::vector<double>& samples) {
    return Pcm(samples, 16);
}

// A sine tone of `seconds` at `amplitude` (1 = full scale), with 5 ms fades at both ends so
// that its start and end make no click.
inline std::vector<double> Tone(double hz, double seconds, double amplitude, int rate = 44100) {
    const double pi = 3.14159265358979323846;
    const int count = static_cast<int>(seconds * rate);
    const int fade = rate / 200;
    std::vector<double> samples(count);
    for (int i = 0; i < count; ++i) {
        double gain = amplitude;
        if (i < fade) {
            gain *= static_cast<double>(i) / fade;
        } else if (count - 1 - i < fade) {
            gain *= static_cast<double>(count - 1 - i) / fade;
        }
        samples[i] = gain * std::sin(2 * pi * hz * i / rate);
    }
    return samples;
}

// A 440 Hz tone of `seconds` at half of full scale, as 16-bit mono at 44100 Hz.
inline WaveContent Mono16(double seconds) {
    WaveContent wave;
    wave.data = Pcm16(Tone(440, seconds, 0.5));
    return wave;
}

// The PCM layouts every backend loads, as 100 ms of silence each.
struct PcmLayout {
    const char* name;
    std::uint16_t tag, channels;
    std::uint32_t rate;
    std::uint16_t bits;

    WaveContent Silence() const {
        WaveContent wave;
        wave.formatTag = tag;
        wave.channels = channels;
        wave.samplesPerSec = rate;
        wave.bitsPerSample = bits;
        wave.data.assign(rate / 10 * channels * bits / 8, bits == 8 ? 128 : 0);
        return wave;
    }
};
inline constexpr PcmLayout kLoadableLayouts[] = {{"mono16.wav", 1, 1, 44100, 16},
                                                 {"stereo8.wav", 1, 2, 22050, 8},
                                                 {"stereo16.wav", 1, 2, 48000, 16},
                                                 {"extensible16.wav", 0xFFFE, 2, 44100, 16}};

// Files every backend refuses to load (named for the messages of a failing test): not wave
// files, truncated ones, compressed and floating-point samples, headers that contradict
// themselves, no samples at all.
inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> RefusedWaveFiles() {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;

    const std::string text = "This is not a wave file at all, just some text.\r\n";
    files.push_back({"text.wav", {text.begin(), text.end()}});
    files.push_back({"empty.wav", {}});

    auto truncated = WaveBytes(Mono16(0.5));
    truncated.resize(truncated.size() / 3);
    files.push_back({"truncated.wav", truncated});

    auto headerOnly = WaveBytes(Mono16(0.5));
    headerOnly.resize(44);
    files.push_back({"header-only.wav", headerOnly});

    auto notWave = WaveBytes(Mono16(0.1));
    notWave[8] = 'A', notWave[9] = 'V', notWave[10] = 'I', notWave[11] = ' ';
    files.push_back({"riff-avi.wav", notWave});

    WaveContent adpcm = Mono16(0.1);
    adpcm.formatTag = 2; // MS ADPCM: compressed
    adpcm.bitsPerSample = 4;
    files.push_back({"adpcm.wav", WaveBytes(adpcm)});

    WaveContent floats = Mono16(0.1);
    floats.formatTag = 3; // IEEE float
    floats.bitsPerSample = 32;
    files.push_back({"float.wav", WaveBytes(floats)});

    WaveContent extensibleFloat = floats;
    extensibleFloat.formatTag = 0xFFFE;
    extensibleFloat.extensiblePcm = false;
    files.push_back({"extensible-float.wav", WaveBytes(extensibleFloat)});

    auto badBlockAlign = WaveBytes(Mono16(0.1));
    badBlockAlign[32] = 0; // nBlockAlign 0: the mixer would divide by it
    files.push_back({"block-align-0.wav", badBlockAlign});

    auto noChannels = WaveBytes(Mono16(0.1));
    noChannels[22] = 0;
    files.push_back({"no-channels.wav", noChannels});

    files.push_back({"no-samples.wav", WaveBytes(WaveContent{})});
    return files;
}

} // namespace soundtest
