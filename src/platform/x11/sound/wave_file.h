// Reading a RIFF WAVE file into memory, for the backends that have no system reader of their
// own (Windows reads them with mmio). It accepts exactly what the Windows backend accepts: a
// format chunk of loadable PCM (IsLoadablePcm), plain or in an extensible header, and a data
// chunk that the file really holds, in either order, of 4 bytes to 256 MB of whole sample frames
// (the buffer sizes DirectSound takes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sound.h"

namespace platform {

struct WaveFile {
    WaveFormat format;
    std::vector<std::uint8_t> data; // whole sample frames only, as the file stores them
};

// The file's sound, or nothing when the file is missing, unreadable, truncated, not a wave
// file or not loadable PCM.
std::optional<WaveFile> ReadWaveFile(const std::string& fileName);

} // namespace platform
