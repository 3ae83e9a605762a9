#include "gdi/region_data.h"

#include <algorithm>

#include "gdi/little_endian.h"

namespace platform {
namespace {

std::int32_t ReadInt32(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(le::Load32(bytes.data() + offset));
}

void PutRect(std::uint8_t* out, const RegionRect& rect) {
    le::Store32(out, static_cast<std::uint32_t>(rect.left));
    le::Store32(out + 4, static_cast<std::uint32_t>(rect.top));
    le::Store32(out + 8, static_cast<std::uint32_t>(rect.right));
    le::Store32(out + 12, static_cast<std::uint32_t>(rect.bottom));
}

} // namespace

RegionRect BoundingBox(std::span<const RegionRect> rects) {
    if (rects.empty()) {
        return {};
    }
    RegionRect bound = rects.front();
    for (const RegionRect& rect : rects) {
        bound.left = std::min(bound.left, rect.left);
        bound.top = std::min(bound.top, rect.top);
        bound.right = std::max(bound.right, rect.right);
        bound.bottom = std::max(bound.bottom, rect.bottom);
    }
    return bound;
}

std::vector<std::uint8_t> RegionDataBlock(std::span<const RegionRect> rects) {
    std::vector<std::uint8_t> block(kRgnDataHeaderSize + 16 * rects.size());
    std::uint8_t* out = block.data();
    le::Store32(out, kRgnDataHeaderSize);
    le::Store32(out + 4, kRdhRectangles);
    le::Store32(out + 8, static_cast<std::uint32_t>(rects.size()));
    le::Store32(out + 12, static_cast<std::uint32_t>(16 * rects.size()));
    PutRect(out + 16, BoundingBox(rects));
    out += kRgnDataHeaderSize;
    for (const RegionRect& rect : rects) {
        PutRect(out, rect);
        out += 16;
    }
    return block;
}

bool IsValidRegionData(std::span<const std::byte> block) {
    if (block.size() < kRgnDataHeaderSize) {
        return false;
    }
    if (le::Load32(block.data()) != kRgnDataHeaderSize ||
        le::Load32(block.data() + 4) != kRdhRectangles) {
        return false;
    }
    // 64-bit arithmetic: 32 + 16 * nCount cannot wrap for any 32-bit count.
    std::uint64_t needed = kRgnDataHeaderSize + 16ull * le::Load32(block.data() + 8);
    return needed <= block.size();
}

std::vector<RegionRect> RegionDataRects(std::span<const std::byte> block) {
    const std::uint32_t count = le::Load32(block.data() + 8);
    std::vector<RegionRect> rects(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = kRgnDataHeaderSize + 16 * std::size_t{i};
        rects[i] = {ReadInt32(block, at), ReadInt32(block, at + 4), ReadInt32(block, at + 8),
                    ReadInt32(block, at + 12)};
    }
    return rects;
}

} // namespace platform
