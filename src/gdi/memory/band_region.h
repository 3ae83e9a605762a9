// A region as a value: the rectangles of its canonical banded form (gdi/region_bands.h),
// the form Win32 keeps its regions in, so every backend but Win32's hands out the same
// rectangles in the same order. Rectangles are half-open: right and bottom are not covered.
//
// Every operation makes a new region; the only failure is std::bad_alloc.
#pragma once

#include <span>
#include <vector>

#include "gdi/region_data.h"

namespace platform::memory {

enum class BandOp { Union, Intersect, Subtract, Xor };

class BandRegion {
  public:
    BandRegion() = default; // empty

    // The union of `rects`, in any order and overlapping as they like; empty and inverted
    // rectangles add nothing.
    static BandRegion FromRects(std::span<const RegionRect> rects);
    // The one rectangle; empty when it is empty or inverted.
    static BandRegion FromBox(const RegionRect& box);

    // `a` and `b` put together by `op` (Subtract: `a` less `b`).
    static BandRegion Combine(const BandRegion& a, const BandRegion& b, BandOp op);

    std::span<const RegionRect> Rects() const { return rects_; }
    bool Empty() const { return rects_.empty(); }

    friend bool operator==(const BandRegion&, const BandRegion&) = default;

  private:
    explicit BandRegion(std::vector<RegionRect> rects) : rects_(std::move(rects)) {}

    std::vector<RegionRect> rects_;
};

} // namespace platform::memory
