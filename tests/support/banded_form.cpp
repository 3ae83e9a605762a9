#include "support/banded_form.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gdi/little_endian.h"

namespace jellop_test {
namespace {

std::string At(std::size_t i, const std::string& what) {
    return "rectangle " + std::to_string(i) + ": " + what;
}

// Whether the bands starting at `first` and `second` (each running to the next top) have the
// same spans.
bool SameSpans(std::span<const platform::RegionRect> rects, std::size_t first, std::size_t second) {
    std::size_t i = first;
    std::size_t j = second;
    for (; i < second && j < rects.size() && rects[j].top == rects[second].top; ++i, ++j) {
        if (rects[i].left != rects[j].left || rects[i].right != rects[j].right) {
            return false;
        }
    }
    return i == second && (j == rects.size() || rects[j].top != rects[second].top);
}

} // namespace

std::string BandedFormFault(std::span<const platform::RegionRect> rects) {
    std::size_t bandStart = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const platform::RegionRect& rect = rects[i];
        if (rect.left >= rect.right || rect.top >= rect.bottom) {
            return At(i, "empty or inverted");
        }
        if (i == 0) {
            continue;
        }
        const platform::RegionRect& before = rects[i - 1];
        if (rect.top == before.top) {
            if (rect.bottom != before.bottom) {
                return At(i, "shares its band's top but not its bottom");
            }
            if (rect.left <= before.right) {
                return At(i, "overlaps or touches the rectangle before it in its band");
            }
            continue;
        }
        if (rect.top < before.bottom) {
            return At(i, "starts a band that overlaps the band above");
        }
        if (rect.top == before.bottom && SameSpans(rects, bandStart, i)) {
            return At(i, "starts a band with the spans of the band it meets above");
        }
        bandStart = i;
    }
    return {};
}

std::string RegionBlockFault(std::span<const std::byte> block) {
    using platform::le::Load32;
    if (block.size() < platform::kRgnDataHeaderSize) {
        return "shorter than the header";
    }
    if (Load32(block.data()) != platform::kRgnDataHeaderSize) {
        return "dwSize is not 32";
    }
    if (Load32(block.data() + 4) != platform::kRdhRectangles) {
        return "iType is not RDH_RECTANGLES";
    }
    const std::uint64_t count = Load32(block.data() + 8);
    if (block.size() != platform::kRgnDataHeaderSize + 16 * count) {
        return std::to_string(block.size()) + " bytes for " + std::to_string(count) + " rectangles";
    }
    if (Load32(block.data() + 12) != 16 * count) {
        return "nRgnSize is not 16 x nCount";
    }
    const std::vector<platform::RegionRect> rects = platform::RegionDataRects(block);
    const platform::RegionRect bound{static_cast<std::int32_t>(Load32(block.data() + 16)),
                                     static_cast<std::int32_t>(Load32(block.data() + 20)),
                                     static_cast<std::int32_t>(Load32(block.data() + 24)),
                                     static_cast<std::int32_t>(Load32(block.data() + 28))};
    if (bound != platform::BoundingBox(rects)) {
        return "rcBound is not the rectangles' bounding box";
    }
    return BandedFormFault(rects);
}

} // namespace jellop_test
