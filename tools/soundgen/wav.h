// RIFF WAVE encoding: PCM, 16-bit, mono, 44100 Hz.
#pragma once

#include <cstdint>
#include <vector>

#include "synth.h"

namespace jellop::sound {

// Samples are rounded to 16 bits; anything outside -1..1 is clamped.
std::vector<std::uint8_t> encodeWav(const Samples& samples);

} // namespace jellop::sound
