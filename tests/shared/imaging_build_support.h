// Helpers of the imaging suites that run on both backends: pictures drawn from text, a
// scratch folder, and region files taken apart (with the block helpers of imaging_support.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "shared/imaging_support.h"

namespace jellop_test {

// Colours as 0x00BBGGRR, like the transparent colour of cDIBSectionRegion::Create.
inline constexpr std::uint32_t kMagenta = 0x00FF00FF;
inline constexpr std::uint32_t kWhite = 0x00FFFFFF;
inline constexpr std::uint32_t kBlack = 0x00000000;
inline constexpr std::uint32_t kTeal = 0x00808000;

inline void SetPixel(imaging::cDIBSection& dib, std::int32_t x, std::int32_t y,
                     std::uint32_t colour) {
    std::uint8_t* pixel =
        dib.DIBSectionBitsPtr() +
        static_cast<std::ptrdiff_t>(dib.Height() - 1 - y) * dib.BytesPerScanLine() + 3 * x;
    pixel[0] = static_cast<std::uint8_t>(colour >> 16); // blue
    pixel[1] = static_cast<std::uint8_t>(colour >> 8);  // green
    pixel[2] = static_cast<std::uint8_t>(colour);       // red
}

// Makes `dib` a Live section drawn from text lines (the top line first): '.' is magenta, '#'
// white, 'o' black, '~' teal.
inline void Draw(imaging::cDIBSection& dib, const std::vector<std::string>& lines) {
    static const std::map<char, std::uint32_t> colours{
        {'.', kMagenta}, {'#', kWhite}, {'o', kBlack}, {'~', kTeal}};
    const auto height = static_cast<std::int32_t>(lines.size());
    const auto width = static_cast<std::int32_t>(lines.front().size());
    ASSERT_TRUE(dib.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            SetPixel(dib, x, y, colours.at(lines[y][x]));
        }
    }
}

// Fills each row's padding bytes (after the last pixel) with `value`.
inline void FillPadding(imaging::cDIBSection& dib, std::uint8_t value) {
    for (std::int32_t r = 0; r < dib.Height(); ++r) {
        std::uint8_t* row =
            dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(r) * dib.BytesPerScanLine();
        std::memset(row + 3 * dib.Width(), value,
                    static_cast<std::size_t>(dib.BytesPerScanLine() - 3 * dib.Width()));
    }
}

// A folder of its own for one test, removed with everything in it afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        static int serial = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("jellop-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                 std::to_string(++serial));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

using imaging_test::Rect;
using imaging_test::RegionData;

// A region-data block taken apart (header fields and rectangles).
inline RegionData ParseBlock(const std::vector<std::uint8_t>& bytes) {
    return imaging_test::ParseRegionData(std::as_bytes(std::span(bytes)));
}

// The block of the region the object holds, as Save writes it.
inline std::vector<std::uint8_t> SavedBlock(imaging::cDIBSectionRegion& region,
                                            const ScratchFolder& folder) {
    const std::string path = folder / "saved.rgn";
    EXPECT_TRUE(region.Save(path));
    return ReadBytes(path);
}

} // namespace jellop_test
