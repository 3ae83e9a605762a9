// Bilinear resampling of a full-HD 24-bit picture down to 1280 x 720 and up to 3840 x 2160:
// cDIBSection::Resample (and its integer core alone, into a ready buffer) against
// stb_image_resize's triangle filter and pixman's bilinear-filtered scaling, on the same bytes.
#include <benchmark/benchmark.h>

#include <pixman.h>
#include <stb_image_resize.h>

#include <memory>
#include <vector>

#include "bench.h"
#include "imaging/bilinear_resampler.h"
#include "pictures.h"

namespace {

imaging::cDIBSection& Photo() {
    static imaging::cDIBSection dib;
    if (dib.DIBSectionBitsPtr() == nullptr) {
        bench::DrawPhoto(dib);
    }
    return dib;
}

std::int32_t Stride(std::int32_t width) {
    return (width * 3 + 3) & ~3;
}

void BM_Resample(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    imaging::cDIBSection& source = Photo();
    for (auto _ : state) {
        std::unique_ptr<imaging::cDIBSection> target = source.Resample(height, width);
        benchmark::DoNotOptimize(target->DIBSectionBitsPtr());
    }
    bench::SetPixelRate(state, width, height);
}

void BM_ResampleCore(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    imaging::cDIBSection& source = Photo();
    std::vector<std::uint8_t> target(static_cast<std::size_t>(Stride(width)) * height);
    for (auto _ : state) {
        imaging::ResampleBilinear({source.DIBSectionBitsPtr(), source.Width(), source.Height(),
                                   source.BytesPerScanLine()},
                                  imaging::SampleAxis(source.Width(), width),
                                  imaging::SampleAxis(source.Height(), height),
                                  {target.data(), width, height, Stride(width)});
        benchmark::DoNotOptimize(target.data());
    }
    bench::SetPixelRate(state, width, height);
    std::unique_ptr<imaging::cDIBSection> whole = source.Resample(height, width);
    bool same = true;
    for (std::int32_t r = 0; r < height && same; ++r) {
        same =
            std::equal(target.begin() + static_cast<std::ptrdiff_t>(r) * Stride(width),
                       target.begin() + static_cast<std::ptrdiff_t>(r) * Stride(width) + 3 * width,
                       whole->DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(r) * Stride(width));
    }
    bench::Check("the resampler core gives Resample's pixels", same);
}

void BM_StbTriangle(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    imaging::cDIBSection& source = Photo();
    std::vector<std::uint8_t> target(static_cast<std::size_t>(Stride(width)) * height);
    for (auto _ : state) {
        int ok = stbir_resize_uint8_generic(
            source.DIBSectionBitsPtr(), source.Width(), source.Height(), source.BytesPerScanLine(),
            target.data(), width, height, Stride(width), 3, STBIR_ALPHA_CHANNEL_NONE, 0,
            STBIR_EDGE_CLAMP, STBIR_FILTER_TRIANGLE, STBIR_COLORSPACE_LINEAR, nullptr);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(target.data());
    }
    bench::SetPixelRate(state, width, height);
}

void BM_PixmanBilinear(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    imaging::cDIBSection& source = Photo();
    std::vector<std::uint8_t> target(static_cast<std::size_t>(Stride(width)) * height);
    // 24 bits per pixel, blue first in memory: pixman's r8g8b8 on a little-endian machine.
    pixman_image_t* from = pixman_image_create_bits(
        PIXMAN_r8g8b8, source.Width(), source.Height(),
        reinterpret_cast<std::uint32_t*>(source.DIBSectionBitsPtr()), source.BytesPerScanLine());
    pixman_image_t* to =
        pixman_image_create_bits(PIXMAN_r8g8b8, width, height,
                                 reinterpret_cast<std::uint32_t*>(target.data()), Stride(width));
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(source.Width()) / width),
                                pixman_double_to_fixed(double(source.Height()) / height));
    pixman_image_set_transform(from, &scale);
    pixman_image_set_filter(from, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, width, height);
        benchmark::DoNotOptimize(target.data());
    }
    pixman_image_unref(to);
    pixman_image_unref(from);
    bench::SetPixelRate(state, width, height);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({1280, 720})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Resample)->Name("Resample/Jellop")->Apply(Sizes);
BENCHMARK(BM_ResampleCore)->Name("Resample/JellopCore")->Apply(Sizes);
BENCHMARK(BM_StbTriangle)->Name("Resample/StbTriangle")->Apply(Sizes);
BENCHMARK(BM_PixmanBilinear)->Name("Resample/PixmanBilinear")->Apply(Sizes);
