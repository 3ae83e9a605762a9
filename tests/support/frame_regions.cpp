#include "support/frame_regions.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace jellop_test {

std::vector<std::vector<std::byte>> FrameRegionBlocks(const std::string& folder) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".rgn") {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::vector<std::byte>> blocks;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::byte> block;
        std::transform(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(),
                       std::back_inserter(block), [](char c) { return std::byte(c); });
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace jellop_test
