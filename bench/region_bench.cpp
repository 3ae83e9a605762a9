// Region of a sprite sheet: cDIBSectionRegion::Create (bands built directly, one region call)
// against the strip-by-strip XOR baseline, on the fake platform's pixman regions.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "bench.h"
#include "gdi/region.h"
#include "imaging/cDIBSectionRegion.h"
#include "pictures.h"
#include "shared/imaging_build_strips.h"

namespace {

imaging::cDIBSection& SpriteSheet() {
    static imaging::cDIBSection dib;
    if (dib.DIBSectionBitsPtr() == nullptr) {
        bench::DrawSpriteSheet(dib);
    }
    return dib;
}

std::vector<std::byte> SavedBytes(imaging::cDIBSectionRegion& region) {
    const auto path = std::filesystem::temp_directory_path() / "jellop-bench-region.rgn";
    region.Save(path.string());
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

void BM_RegionCreate(benchmark::State& state) {
    imaging::cDIBSection& dib = SpriteSheet();
    imaging::cDIBSectionRegion region;
    for (auto _ : state) {
        region.Create(dib, static_cast<std::int32_t>(bench::kTransparent));
    }
    bench::SetPixelRate(state, dib.Width(), dib.Height());
    std::vector<std::byte> block = SavedBytes(region);
    state.counters["rects"] = static_cast<double>((block.size() - 32) / 16);
}

void BM_RegionStripByStrip(benchmark::State& state) {
    imaging::cDIBSection& dib = SpriteSheet();
    platform::Region strips;
    for (auto _ : state) {
        strips = jellop_test::StripByStripRegion(dib.DIBSectionBitsPtr(), dib.Width(), dib.Height(),
                                                 dib.BytesPerScanLine(), bench::kTransparent);
    }
    bench::SetPixelRate(state, dib.Width(), dib.Height());
    imaging::cDIBSectionRegion region;
    region.Create(dib, static_cast<std::int32_t>(bench::kTransparent));
    bench::Check("Create gives the strip-by-strip region's bytes",
                 SavedBytes(region) == platform::RegionDataBytes(strips.get()));
}

} // namespace

BENCHMARK(BM_RegionCreate)->Name("Region/Create/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionStripByStrip)
    ->Name("Region/StripByStrip/1920x1080")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
