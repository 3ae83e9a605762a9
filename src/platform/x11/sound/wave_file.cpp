#include "platform/x11/sound/wave_file.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "gdi/little_endian.h"

namespace platform {
namespace {

// The sizes DirectSound gives a buffer (DSBSIZE_MIN, DSBSIZE_MAX): the same refusals here.
constexpr std::uint32_t kMinBytes = 4;
constexpr std::uint32_t kMaxBytes = 0x0FFFFFFF;

constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
// The tail of the PCM sub-format GUID (KSDATAFORMAT_SUBTYPE_PCM); its first 4 bytes are 1.
constexpr std::array<std::uint8_t, 12> kPcmGuidTail = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                       0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

// The file is read with C stdio: the program carries no iostreams (whose locale machinery
// would be most of its code and much of its memory).
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Reads `count` bytes at `offset`; whether all of them were there.
bool ReadAt(std::FILE* file, std::uint64_t offset, void* into, std::size_t count) {
    return offset <= static_cast<std::uint64_t>(LONG_MAX) &&
           std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(into, 1, count, file) == count;
}

// A chunk's place in the file: its body starts at `offset` and is `size` bytes long.
struct Chunk {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
};

// Walks the chunks of the RIFF form between `begin` and `end`; the first chunk called `id`.
std::optional<Chunk> FindChunk(std::FILE* file, std::uint64_t begin, std::uint64_t end,
                               const char* id) {
    for (std::uint64_t at = begin; at + 8 <= end;) {
        std::array<std::uint8_t, 8> head{};
        if (!ReadAt(file, at, head.data(), head.size())) {
            return std::nullopt;
        }
        Chunk chunk{at + 8, le::Load32(head.data() + 4)};
        if (std::memcmp(head.data(), id, 4) == 0) {
            return chunk;
        }
        at = chunk.offset + chunk.size + (chunk.size & 1); // chunks are padded to even sizes
    }
    return std::nullopt;
}

// The sample format of a format chunk; nothing for anything but loadable PCM.
std::optional<WaveFormat> ReadFormat(std::FILE* file, const Chunk& chunk) {
    std::array<std::uint8_t, 40> bytes{}; // a WAVEFORMATEXTENSIBLE at most
    if (chunk.size < 16) {
        return std::nullopt;
    }
    const auto wanted = std::min<std::size_t>(chunk.size, bytes.size());
    if (!ReadAt(file, chunk.offset, bytes.data(), wanted)) {
        return std::nullopt;
    }
    WaveFormat format{le::Load16(&bytes[0]), le::Load16(&bytes[2]),  le::Load32(&bytes[4]),
                      le::Load32(&bytes[8]), le::Load16(&bytes[12]), le::Load16(&bytes[14])};
    if (format.formatTag == kWaveFormatExtensible) {
        // Only a complete extensible header whose samples are integer PCM.
        const std::uint32_t extraBytes = le::Load16(&bytes[16]);
        const std::uint32_t validBits = le::Load16(&bytes[18]);
        if (wanted < bytes.size() || extraBytes < 22 || le::Load32(&bytes[24]) != kWaveFormatPcm ||
            std::memcmp(&bytes[28], kPcmGuidTail.data(), kPcmGuidTail.size()) != 0 ||
            validBits > format.bitsPerSample) {
            return std::nullopt;
        }
        format.formatTag = kWaveFormatPcm;
    }
    if (!IsLoadablePcm(format)) {
        return std::nullopt;
    }
    return format;
}

} // namespace

std::optional<WaveFile> ReadWaveFile(const std::string& fileName) {
    File opened(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    std::FILE* file = opened.get();
    if (!file || std::fseek(file, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long fileBytes = std::ftell(file);
    std::array<std::uint8_t, 12> riff{};
    if (fileBytes < 12 || !ReadAt(file, 0, riff.data(), riff.size()) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    // The form's chunks lie within both the size it gives and the file.
    const std::uint64_t end = std::min<std::uint64_t>(
        8 + std::uint64_t{le::Load32(riff.data() + 4)}, static_cast<std::uint64_t>(fileBytes));
    // The data chunk may come before the format chunk: each is looked for from the start.
    std::optional<Chunk> formatChunk = FindChunk(file, 12, end, "fmt ");
    std::optional<WaveFormat> format;
    if (formatChunk) {
        format = ReadFormat(file, *formatChunk);
    }
    std::optional<Chunk> dataChunk = format ? FindChunk(file, 12, end, "data") : std::nullopt;
    // A truncated file promises more sound than it holds: refused before anything is allocated.
    if (!dataChunk || dataChunk->offset + dataChunk->size > static_cast<std::uint64_t>(fileBytes)) {
        return std::nullopt;
    }
    const std::uint32_t bytes = dataChunk->size - dataChunk->size % format->blockAlign;
    if (bytes < kMinBytes || bytes > kMaxBytes) {
        return std::nullopt;
    }
    WaveFile wave{*format, std::vector<std::uint8_t>(bytes)};
    if (!ReadAt(file, dataChunk->offset, wave.data.data(), bytes)) {
        return std::nullopt;
    }
    return wave;
}

} // namespace platform
