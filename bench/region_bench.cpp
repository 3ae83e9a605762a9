// Region of a sprite sheet: cDIBSectionRegion::Create (bands built directly, one region call)
// against the strip-by-strip XOR baseline, on the in-memory GDI's banded regions (BandRegion).
// Then the region type itself against pixman_region32, on the frames' own region blocks
// (resources/regions): building each frame's region from its rectangles, and putting each frame
// together with the next (union, difference, xor), which is what the program does with regions.
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "bench.h"
#include "gdi/memory/band_region.h"
#include "gdi/region.h"
#include "gdi/region_data.h"
#include "imaging/cDIBSectionRegion.h"
#include "pictures.h"
#include "shared/imaging_build_strips.h"
#include "support/frame_regions.h"

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

using platform::RegionRect;
using platform::memory::BandOp;
using platform::memory::BandRegion;

// The rectangles of every region block in resources/regions, in file name order.
const std::vector<std::vector<RegionRect>>& FrameRects() {
    static const std::vector<std::vector<RegionRect>> frames = [] {
        std::vector<std::vector<RegionRect>> rects;
        for (const auto& block :
             jellop_test::FrameRegionBlocks(JELLOP_SOURCE_DIR "/resources/regions")) {
            bench::Check("every frame region block is valid", platform::IsValidRegionData(block));
            rects.push_back(platform::RegionDataRects(block));
        }
        bench::Check("the frame region blocks are there", !rects.empty());
        return rects;
    }();
    return frames;
}

// RegionRect and pixman_box32_t are both four int32s: left (x1), top (y1), right, bottom.
static_assert(sizeof(RegionRect) == sizeof(pixman_box32_t));

const pixman_box32_t* Boxes(std::span<const RegionRect> rects) {
    return reinterpret_cast<const pixman_box32_t*>(rects.data());
}

bool SameRects(const BandRegion& band, pixman_region32_t* pixman) {
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(pixman, &count);
    std::span<const RegionRect> rects = band.Rects();
    return rects.size() == static_cast<std::size_t>(count) &&
           (count == 0 || std::memcmp(rects.data(), boxes, rects.size() * sizeof(RegionRect)) == 0);
}

// pixman has no xor: it is the union less the intersection.
void PixmanXor(pixman_region32_t* out, pixman_region32_t* a, pixman_region32_t* b) {
    pixman_region32_t both;
    pixman_region32_t either;
    pixman_region32_init(&both);
    pixman_region32_init(&either);
    pixman_region32_intersect(&both, a, b);
    pixman_region32_union(&either, a, b);
    pixman_region32_subtract(out, &either, &both);
    pixman_region32_fini(&both);
    pixman_region32_fini(&either);
}

void BM_FramesBuildBand(benchmark::State& state) {
    const auto& frames = FrameRects();
    for (auto _ : state) {
        for (const auto& rects : frames) {
            BandRegion region = BandRegion::FromRects(rects);
            benchmark::DoNotOptimize(region);
        }
    }
    state.counters["frames"] = static_cast<double>(frames.size());
}

void BM_FramesBuildPixman(benchmark::State& state) {
    const auto& frames = FrameRects();
    for (auto _ : state) {
        for (const auto& rects : frames) {
            pixman_region32_t region;
            pixman_region32_init_rects(&region, Boxes(rects), static_cast<int>(rects.size()));
            benchmark::DoNotOptimize(region);
            pixman_region32_fini(&region);
        }
    }
    bool same = true;
    for (const auto& rects : frames) {
        pixman_region32_t region;
        pixman_region32_init_rects(&region, Boxes(rects), static_cast<int>(rects.size()));
        same = same && SameRects(BandRegion::FromRects(rects), &region);
        pixman_region32_fini(&region);
    }
    bench::Check("BandRegion builds the frames' regions with pixman's rectangles", same);
}

// Each frame with the next one (the last with the first): union, difference, xor.
void BM_FramesCombineBand(benchmark::State& state) {
    std::vector<BandRegion> regions;
    for (const auto& rects : FrameRects()) {
        regions.push_back(BandRegion::FromRects(rects));
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < regions.size(); ++i) {
            const BandRegion& a = regions[i];
            const BandRegion& b = regions[(i + 1) % regions.size()];
            for (BandOp op : {BandOp::Union, BandOp::Subtract, BandOp::Xor}) {
                BandRegion result = BandRegion::Combine(a, b, op);
                benchmark::DoNotOptimize(result);
            }
        }
    }
}

void BM_FramesCombinePixman(benchmark::State& state) {
    std::vector<pixman_region32_t> regions(FrameRects().size());
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const auto& rects = FrameRects()[i];
        pixman_region32_init_rects(&regions[i], Boxes(rects), static_cast<int>(rects.size()));
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < regions.size(); ++i) {
            pixman_region32_t* a = &regions[i];
            pixman_region32_t* b = &regions[(i + 1) % regions.size()];
            pixman_region32_t result;
            pixman_region32_init(&result);
            pixman_region32_union(&result, a, b);
            benchmark::DoNotOptimize(result);
            pixman_region32_subtract(&result, a, b);
            benchmark::DoNotOptimize(result);
            PixmanXor(&result, a, b);
            benchmark::DoNotOptimize(result);
            pixman_region32_fini(&result);
        }
    }
    bool same = true;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const std::size_t j = (i + 1) % regions.size();
        const BandRegion a = BandRegion::FromRects(FrameRects()[i]);
        const BandRegion b = BandRegion::FromRects(FrameRects()[j]);
        pixman_region32_t result;
        pixman_region32_init(&result);
        pixman_region32_union(&result, &regions[i], &regions[j]);
        same = same && SameRects(BandRegion::Combine(a, b, BandOp::Union), &result);
        pixman_region32_subtract(&result, &regions[i], &regions[j]);
        same = same && SameRects(BandRegion::Combine(a, b, BandOp::Subtract), &result);
        PixmanXor(&result, &regions[i], &regions[j]);
        same = same && SameRects(BandRegion::Combine(a, b, BandOp::Xor), &result);
        pixman_region32_fini(&result);
    }
    bench::Check("BandRegion combines the frames' regions into pixman's rectangles", same);
    for (pixman_region32_t& region : regions) {
        pixman_region32_fini(&region);
    }
}

} // namespace

BENCHMARK(BM_FramesBuildBand)->Name("Region/FramesBuild/Band")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesBuildPixman)->Name("Region/FramesBuild/Pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesCombineBand)->Name("Region/FramesCombine/Band")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesCombinePixman)
    ->Name("Region/FramesCombine/Pixman")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RegionCreate)->Name("Region/Create/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionStripByStrip)
    ->Name("Region/StripByStrip/1920x1080")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
