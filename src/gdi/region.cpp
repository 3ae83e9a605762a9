// Backend-neutral parts of the region layer: helpers built on the primitive calls.
#include "gdi/region.h"

namespace platform {

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
