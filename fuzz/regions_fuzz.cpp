// Fuzzes the ways untrusted bytes become regions, on the fake platform:
//   mode 0: a region-data block through ExtCreateRegion's validation (the LoadFromBytes path);
//   mode 1: a region file through cDIBSectionRegion::LoadFromFile, then Save and load again;
//   mode 2: a small picture through cDIBSectionRegion::Create, against the strip-by-strip
//           region of the same picture.
// The first input byte picks the mode; the rest is the block, the file or the picture.
// Besides the sanitizers' findings, a broken invariant aborts: a region's block must be in
// banded form and load back to itself, and Create must equal the strip-by-strip region.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "gdi/region.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "runtime/error.h"
#include "shared/imaging_build_strips.h"
#include "support/banded_form.h"

namespace {

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void FuzzBlock(std::span<const std::byte> bytes) {
    platform::Region region = platform::ExtCreateRegion(bytes);
    Require(static_cast<bool>(region) == platform::IsValidRegionData(bytes));
    if (!region) {
        return;
    }
    const std::vector<std::byte> block = platform::RegionDataBytes(region.get());
    Require(jellop_test::RegionBlockFault(block).empty());
    platform::Region again = platform::ExtCreateRegion(block);
    Require(static_cast<bool>(again));
    Require(platform::RegionDataBytes(again.get()) == block);
}

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("jellop-fuzz-" + std::to_string(static_cast<unsigned long>(std::rand())));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

std::vector<std::byte> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::byte> bytes(chars.size());
    std::memcpy(bytes.data(), chars.data(), chars.size());
    return bytes;
}

void FuzzFile(std::span<const std::byte> bytes) {
    const auto input = Folder() / "input.rgn";
    const auto saved = Folder() / "saved.rgn";
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    imaging::cDIBSectionRegion region;
    bool loaded = false;
    try {
        loaded = region.LoadFromFile(input.string());
    } catch (const runtime::Error& error) {
        Require(bytes.empty() && error.Number() == 9); // the only way reading this file fails
        return;
    }
    Require(loaded == platform::IsValidRegionData(bytes));
    if (!loaded) {
        return;
    }
    Require(region.Save(saved.string()));
    const std::vector<std::byte> block = ReadAll(saved);
    Require(jellop_test::RegionBlockFault(block).empty());
    imaging::cDIBSectionRegion reloaded;
    Require(reloaded.LoadFromFile(saved.string()));
    Require(reloaded.Save(saved.string()));
    Require(ReadAll(saved) == block);
}

// Width and height from the first two bytes (1 to 16 each), a transparent colour choice from
// the third, then the pixels as colour indexes of two bits each.
void FuzzPicture(std::span<const std::byte> bytes) {
    if (bytes.size() < 3) {
        return;
    }
    const std::int32_t width = 1 + std::to_integer<std::int32_t>(bytes[0]) % 16;
    const std::int32_t height = 1 + std::to_integer<std::int32_t>(bytes[1]) % 16;
    const std::uint32_t palette[4] = {0x00FF00FF, 0x00000000, 0x00FFFFFF, 0x0000FF00};
    const std::uint32_t transparent = palette[std::to_integer<int>(bytes[2]) % 4];
    imaging::cDIBSection dib;
    Require(dib.Create(width, height));
    std::size_t bit = 0;
    for (std::int32_t r = 0; r < height; ++r) {
        std::uint8_t* row =
            dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(r) * dib.BytesPerScanLine();
        for (std::int32_t x = 0; x < width; ++x, bit += 2) {
            const std::size_t at = 3 + bit / 8;
            const int index =
                at < bytes.size() ? std::to_integer<int>(bytes[at]) >> (bit % 8) & 3 : 0;
            row[3 * x] = static_cast<std::uint8_t>(palette[index] >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(palette[index] >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(palette[index]);
        }
        // Padding that looks transparent must not count.
        std::memset(row + 3 * width, 0xFF,
                    static_cast<std::size_t>(dib.BytesPerScanLine() - 3 * width));
    }
    imaging::cDIBSectionRegion region;
    region.Create(dib, static_cast<std::int32_t>(transparent));
    const auto saved = Folder() / "created.rgn";
    Require(region.Save(saved.string()));
    platform::Region strips = jellop_test::StripByStripRegion(
        dib.DIBSectionBitsPtr(), width, height, dib.BytesPerScanLine(), transparent);
    Require(ReadAll(saved) == platform::RegionDataBytes(strips.get()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::byte> rest(reinterpret_cast<const std::byte*>(data + 1), size - 1);
    switch (data[0] % 3) {
    case 0:
        FuzzBlock(rest);
        break;
    case 1:
        FuzzFile(rest);
        break;
    default:
        FuzzPicture(rest);
        break;
    }
    return 0;
}
