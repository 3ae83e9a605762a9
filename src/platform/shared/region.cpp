// Regions on pixman's region32: banded, coalesced, half-open rectangles, the same form
// Win32 keeps its regions in, so region blocks come out in the same order.
#include "platform/region.h"

#include <cstring>
#include <limits>

#include "platform/shared/objects.h"

namespace platform {
namespace {

using shared::detail::FindRegion;
using shared::detail::RecordMisuse;
using shared::detail::RegionObject;

RegionKind KindOf(pixman_region32_t* region) {
    int count = 0;
    pixman_region32_rectangles(region, &count);
    return count == 0 ? RegionKind::Null : count == 1 ? RegionKind::Simple : RegionKind::Complex;
}

Region Wrap(std::unique_ptr<RegionObject> region) {
    return Region(shared::detail::AddRegion(std::move(region)));
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
    shared::detail::DestroyRegion(region);
    return true;
}

Region ExtCreateRegion(std::span<const std::byte> block) {
    if (!IsValidRegionData(block)) {
        return {};
    }
    std::vector<pixman_box32_t> boxes;
    for (const RegionRect& rect : RegionDataRects(block)) {
        // Empty and inverted rectangles add nothing, as on Win32.
        if (rect.left < rect.right && rect.top < rect.bottom) {
            boxes.push_back({rect.left, rect.top, rect.right, rect.bottom});
        }
    }
    auto region = std::make_unique<RegionObject>();
    pixman_region32_fini(region->get());
    if (!pixman_region32_init_rects(region->get(), boxes.data(), static_cast<int>(boxes.size()))) {
        pixman_region32_init(region->get());
        return {};
    }
    return Wrap(std::move(region));
}

std::uint32_t GetRegionData(RegionHandle region, std::uint32_t size, void* buffer) {
    RegionObject* object = FindRegion(region);
    if (object == nullptr) {
        return 0;
    }
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(object->get(), &count);
    std::uint64_t needed = kRgnDataHeaderSize + 16ull * static_cast<std::uint64_t>(count);
    if (needed > std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    if (buffer == nullptr) {
        return static_cast<std::uint32_t>(needed);
    }
    if (size < needed) {
        return 0;
    }
    std::vector<RegionRect> rects(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        rects[static_cast<std::size_t>(i)] = {boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2};
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
    if (left < right && top < bottom) {
        pixman_box32_t box{left, top, right, bottom};
        pixman_region32_fini(region->get());
        pixman_region32_init_with_extents(region->get(), &box);
    }
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
    // Work into a temporary: the destination may be one of the operands.
    RegionObject result;
    bool ok = true;
    switch (mode) {
    case CombineMode::And:
        ok = pixman_region32_intersect(result.get(), a->get(), b->get());
        break;
    case CombineMode::Or:
        ok = pixman_region32_union(result.get(), a->get(), b->get());
        break;
    case CombineMode::Xor: {
        RegionObject both;
        ok = pixman_region32_union(result.get(), a->get(), b->get()) &&
             pixman_region32_intersect(both.get(), a->get(), b->get()) &&
             pixman_region32_subtract(result.get(), result.get(), both.get());
        break;
    }
    case CombineMode::Diff:
        ok = pixman_region32_subtract(result.get(), a->get(), b->get());
        break;
    case CombineMode::Copy:
        ok = pixman_region32_copy(result.get(), a->get());
        break;
    default:
        return RegionKind::Error;
    }
    if (!ok || !pixman_region32_copy(to->get(), result.get())) {
        return RegionKind::Error;
    }
    return KindOf(to->get());
}

} // namespace platform
