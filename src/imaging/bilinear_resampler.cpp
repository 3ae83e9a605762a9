#include "imaging/bilinear_resampler.h"

// The sample positions must come from IEEE single and double arithmetic. A 32-bit x86 build
// would otherwise evaluate them on the x87 unit in extended precision and round twice.
#if defined(__GNUC__) && !defined(__clang__) && defined(__i386__)
#pragma GCC target("sse2,fpmath=sse")
#endif

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define JELLOP_RESAMPLE_SSE2 1
#endif

namespace imaging {
namespace {

// The fraction f as a weight of 45 fractional bits, such that Blend gives exactly
// nearest((1 - f) * a + f * b) evaluated in double precision.
//
// Write f = F / 2^q with F odd (or f = 0). When q <= 45 every step of the double evaluation is
// exact: 1 - f needs q bits, (1 - f) * a at most q + 8, f * b at most 32, and their sum is
// (2^q * a + F * (b - a)) / 2^q, whose numerator is below 2^(q + 8) <= 2^53. So the rounded
// result is the rounded exact value, which Blend computes from weight = f * 2^45.
// When q > 45, f < 2^(24 - q) < 2^-21 because F has at most 24 bits; then the exact value lies
// within 255 * 2^-21 of a and the few rounding errors of the double steps are far smaller, so
// the result is a, which Blend gives for weight 0.
std::int64_t SampleWeight(float f) {
    double scaled = static_cast<double>(f) * 0x1p45; // exact: a power of two
    return scaled == std::floor(scaled) ? static_cast<std::int64_t>(scaled) : 0;
}

} // namespace

AxisSamples SampleAxis(std::int32_t sourceSize, std::int32_t targetSize) {
    AxisSamples samples;
    if (targetSize <= 0) {
        return samples;
    }
    samples.index.resize(static_cast<std::size_t>(targetSize));
    samples.weight.resize(static_cast<std::size_t>(targetSize));
    const float scale = static_cast<float>(static_cast<double>(sourceSize - 1) / targetSize);
    for (std::int32_t i = 0; i < targetSize; ++i) {
        const float s = static_cast<float>(static_cast<double>(scale) * i);
        const float n = std::floor(s);
        const float f = static_cast<float>(static_cast<double>(s) - n);
        samples.index[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(n);
        samples.weight[static_cast<std::size_t>(i)] = SampleWeight(f);
    }
    return samples;
}

namespace {

// Weights that are multiples of 2^22 are fractions with at most 23 binary places (every sample
// from 1 upwards has such a fraction). Their blends fit 32-bit integers:
// (2^23 - w) * a + w * b <= 255 * 2^23 < 2^31 with w = weight / 2^22, and SIMD kernels compute
// them eight or sixteen at a time. Finer weights take the 64-bit Blend.
constexpr std::int64_t kCoarseStep = std::int64_t{1} << (kWeightBits - 23);

#ifdef JELLOP_RESAMPLE_SSE2

bool IsCoarse(std::int64_t weight) {
    return weight % kCoarseStep == 0;
}

// The two 23-bit weights (2^23 - w, w) of a coarse weight, each split into 12-bit halves, laid
// out for _mm_madd_epi16 over (a, b) pairs of 16-bit lanes: a * (2^23 - w) + b * w is
// (a * high1 + b * high2) * 2^12 + (a * low1 + b * low2), every partial sum far below 2^31.
struct PairWeights {
    __m128i high;
    __m128i low;
};

PairWeights SplitWeight(std::int64_t weight) {
    const auto w2 = static_cast<std::uint32_t>(weight / kCoarseStep);
    const std::uint32_t w1 = (std::uint32_t{1} << 23) - w2;
    return {_mm_set1_epi32(static_cast<int>((w2 >> 12) << 16 | (w1 >> 12))),
            _mm_set1_epi32(static_cast<int>((w2 & 0xFFF) << 16 | (w1 & 0xFFF)))};
}

// nearest((a * (2^23 - w) + b * w) / 2^23), halves to even, for four (a, b) pairs.
inline __m128i BlendPairs(__m128i pairs, const PairWeights& weights) {
    const __m128i high = _mm_madd_epi16(pairs, weights.high);
    const __m128i low = _mm_madd_epi16(pairs, weights.low);
    const __m128i sum = _mm_add_epi32(_mm_slli_epi32(high, 12), low);
    const __m128i odd = _mm_and_si128(_mm_srli_epi32(sum, 23), _mm_set1_epi32(1));
    const __m128i biased = _mm_add_epi32(_mm_add_epi32(sum, _mm_set1_epi32((1 << 22) - 1)), odd);
    return _mm_srli_epi32(biased, 23);
}

// Vertical pass over bytes [first, last) of a row pair with one coarse weight.
void BlendRowsCoarse(const std::uint8_t* top, const std::uint8_t* bottom, std::int64_t weight,
                     std::uint8_t* out, std::size_t first, std::size_t last) {
    const PairWeights weights = SplitWeight(weight);
    const __m128i zero = _mm_setzero_si128();
    std::size_t k = first;
    for (; k + 16 <= last; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + k));
        const __m128i aLow = _mm_unpacklo_epi8(a, zero);
        const __m128i aHigh = _mm_unpackhi_epi8(a, zero);
        const __m128i bLow = _mm_unpacklo_epi8(b, zero);
        const __m128i bHigh = _mm_unpackhi_epi8(b, zero);
        const __m128i r0 = BlendPairs(_mm_unpacklo_epi16(aLow, bLow), weights);
        const __m128i r1 = BlendPairs(_mm_unpackhi_epi16(aLow, bLow), weights);
        const __m128i r2 = BlendPairs(_mm_unpacklo_epi16(aHigh, bHigh), weights);
        const __m128i r3 = BlendPairs(_mm_unpackhi_epi16(aHigh, bHigh), weights);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
    }
    for (; k < last; ++k) {
        out[k] = Blend(weight, top[k], bottom[k]);
    }
}

#endif

void BlendRows(const std::uint8_t* top, const std::uint8_t* bottom, std::int64_t weight,
               std::uint8_t* out, std::size_t first, std::size_t last) {
    if (weight == 0) {
        std::memcpy(out + first, top + first, last - first);
        return;
    }
#ifdef JELLOP_RESAMPLE_SSE2
    if (IsCoarse(weight)) {
        BlendRowsCoarse(top, bottom, weight, out, first, last);
        return;
    }
#endif
    for (std::size_t k = first; k < last; ++k) {
        out[k] = Blend(weight, top[k], bottom[k]);
    }
}

// The horizontal pass for one target row, from the vertically blended row `v`, which has at
// least 8 readable bytes from every 3 * index.
class ColumnBlender {
  public:
    explicit ColumnBlender(const AxisSamples& columns) : columns_(columns) {
#ifdef JELLOP_RESAMPLE_SSE2
        weights_.reserve(columns.weight.size());
        for (std::int64_t weight : columns.weight) {
            weights_.push_back(IsCoarse(weight) ? SplitWeight(weight) : PairWeights{});
        }
#endif
    }

    void Blend(const std::uint8_t* v, std::uint8_t* out, std::int32_t width) const {
        for (std::int32_t x = 0; x < width; ++x, out += 3) {
            const std::size_t k = 3 * static_cast<std::size_t>(columns_.index[x]);
            const std::int64_t fx = columns_.weight[x];
#ifdef JELLOP_RESAMPLE_SSE2
            // Four bytes are stored per pixel; the last pixel of a row stores only its three,
            // so that no padding byte is written.
            if (x + 1 < width && IsCoarse(fx)) {
                // Bytes k to k + 7 as 16-bit lanes, paired with the lanes three further on:
                // (v(0), v(3)), (v(1), v(4)), (v(2), v(5)), (unused).
                const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + k));
                const __m128i words = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
                const __m128i pairs = _mm_unpacklo_epi16(words, _mm_srli_si128(words, 6));
                const __m128i result = BlendPairs(pairs, weights_[x]);
                const __m128i packed =
                    _mm_packus_epi16(_mm_packs_epi32(result, result), _mm_setzero_si128());
                const auto pixel = static_cast<std::uint32_t>(_mm_cvtsi128_si32(packed));
                std::memcpy(out, &pixel, 4);
                continue;
            }
#endif
            out[0] = imaging::Blend(fx, v[k], v[k + 3]);
            out[1] = imaging::Blend(fx, v[k + 1], v[k + 4]);
            out[2] = imaging::Blend(fx, v[k + 2], v[k + 5]);
        }
    }

  private:
    const AxisSamples& columns_;
#ifdef JELLOP_RESAMPLE_SSE2
    std::vector<PairWeights> weights_;
#endif
};

} // namespace

void ResampleBilinear(const SourcePixels& source, const AxisSamples& columns,
                      const AxisSamples& rows, const TargetPixels& target) {
    if (target.width <= 0 || target.height <= 0) {
        return;
    }
    // The bytes of the source row pair that any target pixel reads.
    const std::size_t first = 3 * static_cast<std::size_t>(columns.index.front());
    const std::size_t last = 3 * static_cast<std::size_t>(columns.index.back()) + 6;
    // One vertically blended row, indexed like a source row, with room for 8-byte loads.
    std::vector<std::uint8_t> blended(last + 8);
    const ColumnBlender horizontal(columns);
    std::int32_t blendedRow = -1;
    std::int64_t blendedWeight = -1;

    for (std::int32_t y = 0; y < target.height; ++y) {
        const std::int32_t iy = rows.index[static_cast<std::size_t>(y)];
        const std::int64_t fy = rows.weight[static_cast<std::size_t>(y)];
        // Vertical pass, once per distinct sample row: v = nearest((1 - fy) top + fy bottom).
        if (iy != blendedRow || fy != blendedWeight) {
            const std::uint8_t* top =
                source.bits + static_cast<std::ptrdiff_t>(iy) * source.bytesPerScanLine;
            BlendRows(top, top + source.bytesPerScanLine, fy, blended.data(), first, last);
            blendedRow = iy;
            blendedWeight = fy;
        }
        // Horizontal pass: out = nearest((1 - fx) v(c) + fx v(c + 3)). A blend of two bytes
        // is always a byte, so clamping it to 0..255 would change nothing.
        horizontal.Blend(blended.data(),
                         target.bits + static_cast<std::ptrdiff_t>(y) * target.bytesPerScanLine,
                         target.width);
    }
}

} // namespace imaging
