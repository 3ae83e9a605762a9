// cDIBSection::RandomiseBits on a full-HD section, in colour and in gray.
#include <benchmark/benchmark.h>

#include "bench.h"
#include "imaging/cDIBSection.h"
#include "pictures.h"

namespace {

void BM_RandomiseBits(benchmark::State& state) {
    const bool gray = state.range(0) != 0;
    imaging::cDIBSection dib;
    dib.Create(bench::kFullHdWidth, bench::kFullHdHeight);
    for (auto _ : state) {
        dib.RandomiseBits(gray);
        benchmark::DoNotOptimize(dib.DIBSectionBitsPtr());
    }
    bench::SetPixelRate(state, bench::kFullHdWidth, bench::kFullHdHeight);
}

} // namespace

BENCHMARK(BM_RandomiseBits)
    ->Name("RandomiseBits/Colour/1920x1080")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomiseBits)
    ->Name("RandomiseBits/Gray/1920x1080")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
