// Banding: the rectangles of a region given strip by strip, in the canonical banded form that
// GetRegionData gives and pixman keeps:
//  - rectangles sorted by top, then left; rectangles of one band share top and bottom;
//  - within a band the rectangles neither overlap nor touch (each is a maximal run);
//  - bands do not overlap, and two bands that meet never have the same spans: strips with
//    equal spans that follow each other form one band; a gap between strips ends the band
//    above it.
// Written once for every producer of banded rectangles: the imaging classes and the art tool
// (pictures row by row, less a colour) and the region type of the backends that keep their
// own regions (strips between the edges of the operands).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "gdi/region_data.h"

namespace platform {

// A run of covered pixels in one row: columns left to right - 1.
struct RegionSpan {
    std::int32_t left;
    std::int32_t right;
};

// Collects strips top to bottom into banded rectangles, joining each strip to the band above
// when the two meet and have the same spans.
class BandBuilder {
  public:
    // Adds the strip of rows top to bottom - 1 covered by `spans` (maximal runs, left to
    // right, neither overlapping nor touching); `top` is at or below the bottom of every strip
    // added before. A strip without spans adds nothing.
    void Add(std::int32_t top, std::int32_t bottom, const std::vector<RegionSpan>& spans) {
        if (spans.empty()) {
            return;
        }
        if (!rects_.empty() && rects_.back().bottom == top && SameAsLastBand(spans)) {
            for (std::size_t i = bandStart_; i < rects_.size(); ++i) {
                rects_[i].bottom = bottom;
            }
            return;
        }
        bandStart_ = rects_.size();
        for (const RegionSpan& span : spans) {
            rects_.push_back({span.left, top, span.right, bottom});
        }
    }

    std::vector<RegionRect> Take() { return std::move(rects_); }

  private:
    bool SameAsLastBand(const std::vector<RegionSpan>& spans) const {
        if (spans.size() != rects_.size() - bandStart_) {
            return false;
        }
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const RegionRect& rect = rects_[bandStart_ + i];
            if (spans[i].left != rect.left || spans[i].right != rect.right) {
                return false;
            }
        }
        return true;
    }

    std::vector<RegionRect> rects_;
    std::size_t bandStart_ = 0; // the first rectangle of the last band
};

// The banded rectangles of rows 0 to height - 1, where `rowSpans(y, spans)` appends the
// maximal runs of row y to `spans` (given empty), left to right, neither overlapping nor
// touching. Rows are asked for once each, top to bottom.
template <typename RowSpans>
std::vector<RegionRect> BandedRegion(std::int32_t height, RowSpans&& rowSpans) {
    BandBuilder bands;
    std::vector<RegionSpan> spans;
    for (std::int32_t y = 0; y < height; ++y) {
        spans.clear();
        rowSpans(y, spans);
        bands.Add(y, y + 1, spans);
    }
    return bands.Take();
}

} // namespace platform
