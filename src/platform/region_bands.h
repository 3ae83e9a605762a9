// Banding: the rectangles of a region given row by row, in the canonical banded form that
// GetRegionData gives and pixman keeps:
//  - rectangles sorted by top, then left; rectangles of one band share top and bottom;
//  - within a band the rectangles neither overlap nor touch (each is a maximal run);
//  - bands do not overlap, and two bands that meet never have the same spans: rows with equal
//    spans that follow each other form one band; a row with no spans ends the band above it.
// Written once for every producer of regions from pixels: the imaging classes (24-bit pictures
// less a colour) and the art tool (indexed frames less the key colour).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/region_data.h"

namespace platform {

// A run of covered pixels in one row: columns left to right - 1.
struct RegionSpan {
    std::int32_t left;
    std::int32_t right;
};

namespace detail {

inline bool SameSpans(const std::vector<RegionSpan>& spans, const RegionRect* band,
                      std::size_t count) {
    if (spans.size() != count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (spans[i].left != band[i].left || spans[i].right != band[i].right) {
            return false;
        }
    }
    return true;
}

} // namespace detail

// The banded rectangles of rows 0 to height - 1, where `rowSpans(y, spans)` appends the
// maximal runs of row y to `spans` (given empty), left to right, neither overlapping nor
// touching. Rows are asked for once each, top to bottom.
template <typename RowSpans>
std::vector<RegionRect> BandedRegion(std::int32_t height, RowSpans&& rowSpans) {
    std::vector<RegionRect> rects;
    std::vector<RegionSpan> spans;
    std::size_t bandStart = 0;
    bool bandOpen = false; // the last band reaches down to the current row
    for (std::int32_t y = 0; y < height; ++y) {
        spans.clear();
        rowSpans(y, spans);
        if (spans.empty()) {
            bandOpen = false;
            continue;
        }
        if (bandOpen &&
            detail::SameSpans(spans, rects.data() + bandStart, rects.size() - bandStart)) {
            for (std::size_t i = bandStart; i < rects.size(); ++i) {
                rects[i].bottom = y + 1;
            }
            continue;
        }
        bandStart = rects.size();
        for (const RegionSpan& span : spans) {
            rects.push_back({span.left, y, span.right, y + 1});
        }
        bandOpen = true;
    }
    return rects;
}

} // namespace platform
