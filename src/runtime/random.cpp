#include "runtime/random.h"

#include <bit>

namespace runtime {
namespace {

// SplitMix64's finaliser: spreads every bit of the seed over the whole state, so seeds that
// differ in one bit (neighbouring times of day) still start unrelated sequences.
std::uint64_t Mix(std::uint64_t value) noexcept {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

} // namespace

void RandomGenerator::Reseed(double seed) noexcept {
    // +0.0 and -0.0 are the same number and give the same sequence.
    if (seed == 0.0) {
        seed = 0.0;
    }
    state_ = Mix(std::bit_cast<std::uint64_t>(seed));
    NextBits();
}

RandomGenerator& TheRandomGenerator() noexcept {
    static RandomGenerator generator;
    return generator;
}

} // namespace runtime
