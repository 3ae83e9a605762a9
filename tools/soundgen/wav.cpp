#include "wav.h"

#include <string_view>

#include "gdi/little_endian.h"

namespace jellop::sound {

namespace {

struct Writer {
    std::vector<std::uint8_t> bytes;
    void u16(std::uint32_t v) { platform::le::Append16(bytes, v); }
    void u32(std::uint32_t v) { platform::le::Append32(bytes, v); }
    void tag(std::string_view t) { bytes.insert(bytes.end(), t.begin(), t.end()); }
};

std::int16_t toPcm(double v) {
    double scaled = v * 32767.0;
    scaled = scaled > 32767.0 ? 32767.0 : (scaled < -32767.0 ? -32767.0 : scaled);
    return static_cast<std::int16_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

} // namespace

std::vector<std::uint8_t> encodeWav(const Samples& samples) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    Writer w;
    w.tag("RIFF");
    w.u32(36 + dataBytes);
    w.tag("WAVE");
    w.tag("fmt ");
    w.u32(16);
    w.u16(1); // PCM
    w.u16(1); // mono
    w.u32(kSampleRate);
    w.u32(kSampleRate * 2); // bytes per second
    w.u16(2);               // bytes per sample frame
    w.u16(16);
    w.tag("data");
    w.u32(dataBytes);
    for (double v : samples)
        w.u16(static_cast<std::uint16_t>(toPcm(v)));
    return w.bytes;
}

} // namespace jellop::sound
