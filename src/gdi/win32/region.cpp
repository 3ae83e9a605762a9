// Regions on Win32. Blocks are checked before ExtCreateRegion sees them: the real call does
// not reliably refuse a wrong type or a block shorter than its rectangle count says, and it
// would read past the end of such a block.
#include "gdi/region.h"

#include "gdi/win32/handle_cast.h"

namespace platform {

using win32::FromNative;
using win32::ToHrgn;

bool DeleteObject(RegionHandle region) {
    return ::DeleteObject(ToHrgn(region)) != FALSE;
}

Region ExtCreateRegion(std::span<const std::byte> block) {
    if (!IsValidRegionData(block)) {
        return {};
    }
    return Region(FromNative<RegionHandle>(
        ::ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()),
                          reinterpret_cast<const RGNDATA*>(block.data()))));
}

std::uint32_t GetRegionData(RegionHandle region, std::uint32_t size, void* buffer) {
    if (GetObjectType(ToHrgn(region)) != OBJ_REGION) {
        return 0;
    }
    return ::GetRegionData(ToHrgn(region), size, static_cast<RGNDATA*>(buffer));
}

Region CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return Region(FromNative<RegionHandle>(::CreateRectRgn(left, top, right, bottom)));
}

RegionKind CombineRgn(RegionHandle destination, RegionHandle first, RegionHandle second,
                      CombineMode mode) {
    return static_cast<RegionKind>(
        ::CombineRgn(ToHrgn(destination), ToHrgn(first), ToHrgn(second), static_cast<int>(mode)));
}

} // namespace platform
