// Bilinear resampling of 24-bit bottom-up pixels, bit-exact to this arithmetic:
//
//   scale = (source size - 1) / target size      double quotient, stored as a 32-bit float
//   s     = scale * i                            for target index i, stored as a float
//   n     = floor(s), f = s - n                  f stored as a float
//   blend(a, b) = nearest((1 - f) * a + f * b)  1 a float; products and sums in double
//                                                precision; nearest rounds halves to even
//
// Each target pixel blends the four source pixels (n, m), (n + 1, m), (n, m + 1), (n + 1, m + 1)
// of its column sample n and row sample m: first vertically, byte by byte, each result rounded,
// then horizontally. Memory row 0 is the first row on both sides.
//
// The blends are computed in integers, which gives the same results as the double arithmetic
// (see SampleWeight in the .cpp file for why) and does not depend on how a compiler or FPU
// evaluates doubles.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

// The samples of one axis: target index i reads source indexes index[i] and index[i] + 1,
// weighted by weight[i] / 2^45 (the fraction f, exactly when that matters).
struct AxisSamples {
    std::vector<std::int32_t> index;
    std::vector<std::int64_t> weight;
};

inline constexpr int kWeightBits = 45;

// The samples of a target axis of `targetSize` pixels over a source axis of `sourceSize`.
AxisSamples SampleAxis(std::int32_t sourceSize, std::int32_t targetSize);

// nearest((1 - f) * a + f * b) for f = weight / 2^45, bytes a and b.
inline std::uint8_t Blend(std::int64_t weight, std::int32_t a, std::int32_t b) noexcept {
    // (2^45 - weight) * a + weight * b: never negative, below 2^53.
    std::int64_t sum = (static_cast<std::int64_t>(a) << kWeightBits) + weight * (b - a);
    std::int64_t halfBelow = (std::int64_t{1} << (kWeightBits - 1)) - 1;
    return static_cast<std::uint8_t>((sum + halfBelow + ((sum >> kWeightBits) & 1)) >> kWeightBits);
}

struct SourcePixels {
    const std::uint8_t* bits;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytesPerScanLine;
};

struct TargetPixels {
    std::uint8_t* bits;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytesPerScanLine;
};

// Resamples `source` into all of `target`. The caller has made sure that every read lies inside
// the source: the last column and row samples plus one are inside it (a source of at least
// 2 x 2 pixels always is). Target row padding is not written.
void ResampleBilinear(const SourcePixels& source, const AxisSamples& columns,
                      const AxisSamples& rows, const TargetPixels& target);

} // namespace imaging
