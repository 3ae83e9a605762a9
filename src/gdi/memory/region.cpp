// Regions as the table's BandRegion values: banded, coalesced, half-open rectangles, the same
// form Win32 keeps its regions in, so region blocks come out in the same order. Running out of
// memory fails the call, as it does on Win32, rather than ending the program.
#include "gdi/region.h"

#include <cstring>
#include <limits>
#include <new>

#include "gdi/memory/objects.h"

namespace platform {
namespace {

using memory::BandOp;
using memory::BandRegion;
using memory::detail::FindRegion;
using memory::detail::RecordMisuse;
using memory::detail::RegionObject;

RegionKind KindOf(const BandRegion& region) {
    const std::size_t count = region.Rects().size();
    return count == 0 ? RegionKind::Null : count == 1 ? RegionKind::Simple : RegionKind::Complex;
}

Region Wrap(std::unique_ptr<RegionObject> region) {
    return Region(memory::detail::AddRegion(std::move(region)));
}

} // namespace

bool DeleteObject(RegionHandle region) {
    RegionObject* object = FindRegion(region);
    if (object == nullptr) {
        RecordMisuse("DeleteObject of a region handle that is not live");
        return false;
    }
    if (!IsNull(object->owner)) {
        RecordMisuse("DeleteObject of a region that a window owns");
        return false;
    }
    memory::detail::DestroyRegion(region);
    return true;
}

Region ExtCreateRegion(std::span<const std::byte> block) {
    if (!IsValidRegionData(block)) {
        return {};
    }
    std::unique_ptr<RegionObject> region;
    try {
        region = std::make_unique<RegionObject>();
        // Empty and inverted rectangles add nothing, as on Win32.
        region->region = BandRegion::FromRects(RegionDataRects(block));
    } catch (const std::bad_alloc&) {
        return {};
    }
    return Wrap(std::move(region));
}

std::uint32_t GetRegionData(RegionHandle region, std::uint32_t size, void* buffer) {
    RegionObject* object = FindRegion(region);
    if (object == nullptr) {
        return 0;
    }
    const std::span<const RegionRect> rects = object->region.Rects();
    std::uint64_t needed = kRgnDataHeaderSize + 16ull * static_cast<std::uint64_t>(rects.size());
    if (needed > std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    if (buffer == nullptr) {
        return static_cast<std::uint32_t>(needed);
    }
    if (size < needed) {
        return 0;
    }
    std::vector<std::uint8_t> block = RegionDataBlock(rects);
    std::memcpy(buffer, block.data(), block.size());
    return static_cast<std::uint32_t>(needed);
}

Region CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    auto region = std::make_unique<RegionObject>();
    region->region = BandRegion::FromBox({left, top, right, bottom});
    return Wrap(std::move(region));
}

RegionKind CombineRgn(RegionHandle destination, RegionHandle first, RegionHandle second,
                      CombineMode mode) {
    RegionObject* to = FindRegion(destination);
    RegionObject* a = FindRegion(first);
    RegionObject* b = mode == CombineMode::Copy ? a : FindRegion(second);
    if (to == nullptr || a == nullptr || b == nullptr) {
        return RegionKind::Error;
    }
    BandOp op{};
    switch (mode) {
    case CombineMode::And:
        op = BandOp::Intersect;
        break;
    case CombineMode::Or:
        op = BandOp::Union;
        break;
    case CombineMode::Xor:
        op = BandOp::Xor;
        break;
    case CombineMode::Diff:
        op = BandOp::Subtract;
        break;
    case CombineMode::Copy:
        break;
    default:
        return RegionKind::Error;
    }
    // Work into a temporary: the destination may be one of the operands, and on failure it
    // keeps what it held.
    try {
        BandRegion result =
            mode == CombineMode::Copy ? a->region : BandRegion::Combine(a->region, b->region, op);
        to->region = std::move(result);
    } catch (const std::bad_alloc&) {
        return RegionKind::Error;
    }
    return KindOf(to->region);
}

} // namespace platform
