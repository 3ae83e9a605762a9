// The program's pseudo-random generator: uniform 32-bit float values in [0, 1).
//
// It starts every run from the same fixed state, so a program that never re-seeds it draws the
// same sequence each time (the walk relies on that). Re-seeding from a number (the time of day,
// for instance) starts a new sequence; equal seeds give equal sequences.
//
// The generator is PCG32 (a 64-bit linear congruential state with a permuted 32-bit output):
// small, fast and statistically sound. A draw keeps the top 24 bits of the output, so every
// value is an exact multiple of 2^-24 below 1 and converts to float without rounding.
#pragma once

#include <cstdint>

namespace runtime {

class RandomGenerator {
  public:
    RandomGenerator() = default;
    explicit RandomGenerator(double seed) { Reseed(seed); }

    // The next draw as its 24-bit numerator: the value is Next24() / 2^24.
    std::uint32_t Next24() noexcept { return NextBits() >> 8; }

    // The next draw, uniform in [0, 1).
    float Next() noexcept { return static_cast<float>(Next24()) * 0x1p-24f; }

    // Starts the sequence that belongs to `seed`. Every distinct double value (its bit
    // pattern) selects its own sequence.
    void Reseed(double seed) noexcept;

  private:
    static constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
    static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
    static constexpr std::uint64_t kStartState = 0x853c49e6748fea9bULL;

    std::uint32_t NextBits() noexcept {
        std::uint64_t old = state_;
        state_ = old * kMultiplier + kIncrement;
        auto shifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
        auto rotation = static_cast<std::uint32_t>(old >> 59);
        return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
    }

    std::uint64_t state_ = kStartState;
};

// The one generator of the program (the run-time's generator).
RandomGenerator& TheRandomGenerator() noexcept;

// Draws from the program's generator: a uniform value in [0, 1).
inline float Random() noexcept {
    return TheRandomGenerator().Next();
}

// Re-seeds the program's generator from a number.
inline void Reseed(double seed) noexcept {
    TheRandomGenerator().Reseed(seed);
}

// Puts the program's generator back to its start-of-run state (for tests).
inline void ResetRandom() noexcept {
    TheRandomGenerator() = RandomGenerator();
}

} // namespace runtime
