// Fuzzes the wave-file reader (platform/x11/sound/wave_file.h), which reads the sound files beside
// the program: the input is a whole file. Besides the sanitizers' findings, a sound read must
// be what the reader promises: loadable PCM, whole sample frames, no more bytes than the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/x11/sound/wave_file.h"

namespace {

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

const std::string& InputPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("jellop-fuzz-wave-" + std::to_string(static_cast<long>(getpid())) + ".wav"))
            .string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    Require(file != nullptr);
    Require(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);
    std::optional<platform::WaveFile> wave = platform::ReadWaveFile(InputPath());
    if (!wave) {
        return 0;
    }
    const platform::WaveFormat& format = wave->format;
    Require(platform::IsLoadablePcm(format));
    Require(format.blockAlign > 0 && wave->data.size() % format.blockAlign == 0);
    Require(wave->data.size() >= 4 && wave->data.size() + 8 <= size);
    return 0;
}
