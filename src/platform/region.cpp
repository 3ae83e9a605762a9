// Backend-neutral parts of the region layer: the validation every backend runs before it
// makes a region from a block, and helpers built on the primitive calls.
#include "platform/region.h"

#include <cstring>

namespace platform {
namespace {

std::uint32_t ReadUint32(std::span<const std::byte> bytes, std::size_t offset) {
    std::uint8_t b[4];
    std::memcpy(b, bytes.data() + offset, 4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

} // namespace

bool IsValidRegionData(std::span<const std::byte> block) {
    if (block.size() < kRgnDataHeaderSize) {
        return false;
    }
    if (ReadUint32(block, 0) != kRgnDataHeaderSize || ReadUint32(block, 4) != kRdhRectangles) {
        return false;
    }
    // 64-bit arithmetic: 32 + 16 * nCount cannot wrap for any 32-bit count.
    std::uint64_t needed = kRgnDataHeaderSize + 16ull * ReadUint32(block, 8);
    return needed <= block.size();
}

std::vector<std::byte> RegionDataBytes(RegionHandle region) {
    std::uint32_t size = GetRegionData(region, 0, nullptr);
    if (size == 0) {
        return {};
    }
    std::vector<std::byte> bytes(size);
    if (GetRegionData(region, size, bytes.data()) != size) {
        return {};
    }
    return bytes;
}

Region CopyRegion(RegionHandle region) {
    Region copy = CreateRectRgn(0, 0, 0, 0);
    if (!copy || CombineRgn(copy.get(), region, {}, CombineMode::Copy) == RegionKind::Error) {
        return {};
    }
    return copy;
}

} // namespace platform
