// The game's two sound effects.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "synth.h"

namespace jellop::sound {

Samples moveSound(); // soft springy "boing" for each hop
Samples dieSound();  // wet splat with scattering droplets

// Relative path -> WAV bytes, for resources/sounds/.
std::map<std::string, std::vector<std::uint8_t>> generateSounds();

} // namespace jellop::sound
