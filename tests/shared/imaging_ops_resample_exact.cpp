// The integer resampler against a plain implementation of its float arithmetic (as
// bilinear_resampler.h writes it down), on random pixels and sizes, including the corner cases
// of the arithmetic: fractions finer than 2^-23 (samples below 1), scale factors that are not
// representable, targets much larger and much smaller than the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/bilinear_resampler.h"
#include "runtime/rounding.h"

namespace {

struct Picture {
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
    std::vector<std::uint8_t> bytes;

    Picture(std::int32_t w, std::int32_t h)
        : width(w), height(h), stride((w * 3 + 3) & ~3),
          bytes(static_cast<std::size_t>(stride) * h) {}
};

// Step by step: float operands, double products and sums, halves to even.
void ReferenceResample(const Picture& source, Picture& target) {
    const float one = 1.0f;
    const float xScale = static_cast<float>(static_cast<double>(source.width - 1) / target.width);
    const float yScale = static_cast<float>(static_cast<double>(source.height - 1) / target.height);
    for (std::int32_t y = 0; y < target.height; ++y) {
        const float sy = static_cast<float>(static_cast<double>(yScale) * y);
        const double iy = std::floor(static_cast<double>(sy));
        const float fy = static_cast<float>(static_cast<double>(sy) - iy);
        for (std::int32_t x = 0; x < target.width; ++x) {
            const float sx = static_cast<float>(static_cast<double>(xScale) * x);
            const double ix = std::floor(static_cast<double>(sx));
            const float fx = static_cast<float>(static_cast<double>(sx) - ix);
            const std::size_t k = 3 * static_cast<std::size_t>(ix);
            const std::uint8_t* topRow =
                &source.bytes[static_cast<std::size_t>(iy) * source.stride];
            const std::uint8_t* bottomRow = topRow + source.stride;
            double v[6];
            for (int j = 0; j < 6; ++j) {
                const float top = topRow[k + j];
                const float bottom = bottomRow[k + j];
                v[j] =
                    runtime::RoundHalfEven((static_cast<double>(one) - static_cast<double>(fy)) *
                                               static_cast<double>(top) +
                                           static_cast<double>(fy) * static_cast<double>(bottom));
            }
            for (int c = 0; c < 3; ++c) {
                double out = runtime::RoundHalfEven(
                    (static_cast<double>(one) - static_cast<double>(fx)) * v[c] +
                    static_cast<double>(fx) * v[c + 3]);
                out = std::clamp(out, 0.0, 255.0);
                target.bytes[static_cast<std::size_t>(y) * target.stride + 3 * x + c] =
                    static_cast<std::uint8_t>(out);
            }
        }
    }
}

Picture FastResample(const Picture& source, std::int32_t width, std::int32_t height) {
    Picture target(width, height);
    std::fill(target.bytes.begin(), target.bytes.end(), 0xA5); // padding must keep this
    imaging::ResampleBilinear({source.bytes.data(), source.width, source.height, source.stride},
                              imaging::SampleAxis(source.width, width),
                              imaging::SampleAxis(source.height, height),
                              {target.bytes.data(), target.width, target.height, target.stride});
    return target;
}

void ExpectSameAsReference(const Picture& source, std::int32_t width, std::int32_t height) {
    Picture expected(width, height);
    std::fill(expected.bytes.begin(), expected.bytes.end(), 0xA5);
    ReferenceResample(source, expected);
    Picture actual = FastResample(source, width, height);
    ASSERT_EQ(actual.bytes, expected.bytes)
        << source.width << "x" << source.height << " -> " << width << "x" << height;
}

Picture RandomPicture(std::mt19937& random, std::int32_t width, std::int32_t height) {
    Picture picture(width, height);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& value : picture.bytes) {
        value = static_cast<std::uint8_t>(byte(random));
    }
    return picture;
}

TEST(BilinearResampler, MatchesTheFloatArithmeticOnRandomPicturesAndSizes) {
    std::mt19937 random(20260607);
    std::uniform_int_distribution<std::int32_t> sourceSize(2, 41);
    std::uniform_int_distribution<std::int32_t> targetSize(1, 150);
    for (int round = 0; round < 300; ++round) {
        Picture source = RandomPicture(random, sourceSize(random), sourceSize(random));
        ExpectSameAsReference(source, targetSize(random), targetSize(random));
    }
}

TEST(BilinearResampler, MatchesTheFloatArithmeticAtExtremeScales) {
    std::mt19937 random(7);
    // Many samples below 1 (fractions down to 2^-40) and scales far from representable.
    ExpectSameAsReference(RandomPicture(random, 2, 2), 4093, 3);
    ExpectSameAsReference(RandomPicture(random, 3, 2), 1, 2000);
    ExpectSameAsReference(RandomPicture(random, 2, 3), 2, 1 << 20);
    ExpectSameAsReference(RandomPicture(random, 1000, 3), 7, 5);
    ExpectSameAsReference(RandomPicture(random, 997, 13), 1283, 29);
    ExpectSameAsReference(RandomPicture(random, 65537, 2), 3, 2);
}

TEST(BilinearResampler, BlendRoundsHalvesToEven) {
    // f = 0.5: 10.5 -> 10, 11.5 -> 12, 0.5 -> 0, 254.5 -> 254.
    const std::int64_t half = std::int64_t{1} << 44;
    EXPECT_EQ(imaging::Blend(half, 10, 11), 10);
    EXPECT_EQ(imaging::Blend(half, 11, 12), 12);
    EXPECT_EQ(imaging::Blend(half, 0, 1), 0);
    EXPECT_EQ(imaging::Blend(half, 254, 255), 254);
    EXPECT_EQ(imaging::Blend(0, 7, 200), 7);
}

TEST(BilinearResampler, FractionsFinerThanTheWeightsKeepTheFirstByte) {
    // A scale of about 2^-22.25 with a full mantissa: the first samples have fractions with
    // more than 45 binary places, where the double arithmetic always rounds back to the first
    // byte, and the weight is 0.
    constexpr std::int32_t kWide = 5'000'012;
    imaging::AxisSamples samples = imaging::SampleAxis(2, kWide);
    ASSERT_EQ(samples.index[1], 0);
    EXPECT_EQ(samples.weight[1], 0);
    std::mt19937 random(11);
    ExpectSameAsReference(RandomPicture(random, 2, 2), kWide, 1);
}

} // namespace
