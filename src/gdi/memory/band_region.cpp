// Regions in banded form, combined by sweeping down the rows: the y edges of the operands cut
// the plane into strips in which each operand's spans stay the same, each strip's spans are
// worked out in one dimension, and the band builder (gdi/region_bands.h) joins a strip to
// the band above when the two meet and have the same spans. Regions from any rectangles are
// unions of such regions, taken by halves.
#include "gdi/memory/band_region.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "gdi/region_bands.h"

namespace platform::memory {
namespace {

using Spans = std::vector<RegionSpan>;

// Walks a banded region's bands from the top down.
class BandCursor {
  public:
    explicit BandCursor(std::span<const RegionRect> rects)
        : at_(rects.begin()), end_(rects.end()) {}

    // The spans of row `y`, which is at or below every row asked for before.
    void SpansAt(std::int32_t y, Spans& spans) {
        spans.clear();
        // Bands are sorted and do not overlap, so bottoms never decrease along the rectangles.
        while (at_ != end_ && at_->bottom <= y) {
            ++at_;
        }
        if (at_ == end_ || at_->top > y) {
            return;
        }
        for (auto rect = at_; rect != end_ && rect->top == at_->top; ++rect) {
            spans.push_back({rect->left, rect->right});
        }
    }

  private:
    std::span<const RegionRect>::iterator at_;
    std::span<const RegionRect>::iterator end_;
};

bool Keeps(BandOp op, bool inA, bool inB) {
    switch (op) {
    case BandOp::Union:
        return inA || inB;
    case BandOp::Intersect:
        return inA && inB;
    case BandOp::Subtract:
        return inA && !inB;
    case BandOp::Xor:
        return inA != inB;
    }
    return false;
}

// The maximal runs of the columns that `op` keeps of spans `a` and `b` (each maximal runs).
void CombineSpans(const Spans& a, const Spans& b, BandOp op, Spans& out) {
    out.clear();
    // Edge k of a span list: the left of span k / 2 for even k, its right for odd k. A column
    // is inside a list when an odd number of its edges are at or left of it.
    auto edge = [](const Spans& spans, std::size_t k) {
        return k % 2 == 0 ? spans[k / 2].left : spans[k / 2].right;
    };
    const std::size_t edgesA = 2 * a.size();
    const std::size_t edgesB = 2 * b.size();
    std::size_t i = 0;
    std::size_t j = 0;
    bool inA = false;
    bool inB = false;
    bool inside = false;
    std::int32_t start = 0;
    while (i < edgesA || j < edgesB) {
        const std::int32_t x =
            j == edgesB || (i < edgesA && edge(a, i) <= edge(b, j)) ? edge(a, i) : edge(b, j);
        if (i < edgesA && edge(a, i) == x) {
            inA = !inA;
            ++i;
        }
        if (j < edgesB && edge(b, j) == x) {
            inB = !inB;
            ++j;
        }
        const bool keeps = Keeps(op, inA, inB);
        if (keeps != inside) {
            if (keeps) {
                start = x;
            } else {
                out.push_back({start, x});
            }
            inside = keeps;
        }
    }
}

// The tops and bottoms of a banded region's bands, in order, each once (bands are sorted
// and do not overlap, so the edges come in order already).
std::vector<std::int32_t> BandEdges(std::span<const RegionRect> rects) {
    std::vector<std::int32_t> edges;
    for (const RegionRect& rect : rects) {
        if (edges.empty() || edges.back() < rect.top) {
            edges.push_back(rect.top);
        }
        if (edges.back() < rect.bottom) {
            edges.push_back(rect.bottom);
        }
    }
    return edges;
}

// The union of `regions`, the two halves' unions joined last.
BandRegion UnionByHalves(std::span<BandRegion> regions) {
    if (regions.size() == 1) {
        return std::move(regions.front());
    }
    const std::size_t half = regions.size() / 2;
    return BandRegion::Combine(UnionByHalves(regions.first(half)),
                               UnionByHalves(regions.subspan(half)), BandOp::Union);
}

} // namespace

BandRegion BandRegion::FromRects(std::span<const RegionRect> rects) {
    // The rectangles are cut into runs that are in banded order already (strips one below the
    // other, a strip's rectangles sharing its top and bottom, left to right with gaps between
    // them), each run made a region by the band builder in one pass. A region's own rectangles
    // are one run. The runs are then put together by halves, each union costing about the size
    // of the two regions it joins: n rectangles that overlap each other take O(n log n) steps,
    // where one sweep over all of them would walk, strip by strip, every rectangle covering
    // the strip (O(n^2) for a stack of them).
    std::vector<BandRegion> runs;
    BandBuilder bands;
    Spans spans; // the strip being gathered, from top to bottom - 1
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    bool runOpen = false; // `bands` holds strips, the last ending at `bottom`
    for (const RegionRect& rect : rects) {
        if (rect.left >= rect.right || rect.top >= rect.bottom) {
            continue; // adds nothing
        }
        if (!spans.empty() && rect.top == top && rect.bottom == bottom &&
            rect.left > spans.back().right) {
            spans.push_back({rect.left, rect.right});
            continue;
        }
        if (!spans.empty()) {
            bands.Add(top, bottom, spans);
            spans.clear();
            runOpen = true;
        }
        if (runOpen && rect.top < bottom) {
            runs.push_back(BandRegion(bands.Take()));
            bands = BandBuilder();
            runOpen = false;
        }
        top = rect.top;
        bottom = rect.bottom;
        spans.push_back({rect.left, rect.right});
    }
    bands.Add(top, bottom, spans);
    runs.push_back(BandRegion(bands.Take()));
    return UnionByHalves(runs);
}

BandRegion BandRegion::FromBox(const RegionRect& box) {
    if (box.left < box.right && box.top < box.bottom) {
        return BandRegion({box});
    }
    return {};
}

BandRegion BandRegion::Combine(const BandRegion& a, const BandRegion& b, BandOp op) {
    const std::vector<std::int32_t> edgesA = BandEdges(a.rects_);
    const std::vector<std::int32_t> edgesB = BandEdges(b.rects_);
    std::vector<std::int32_t> edges;
    edges.reserve(edgesA.size() + edgesB.size());
    std::set_union(edgesA.begin(), edgesA.end(), edgesB.begin(), edgesB.end(),
                   std::back_inserter(edges));

    BandCursor inA(a.rects_);
    BandCursor inB(b.rects_);
    BandBuilder bands;
    Spans spansA;
    Spans spansB;
    Spans spans;
    for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
        inA.SpansAt(edges[k], spansA);
        inB.SpansAt(edges[k], spansB);
        CombineSpans(spansA, spansB, op, spans);
        bands.Add(edges[k], edges[k + 1], spans);
    }
    return BandRegion(bands.Take());
}

} // namespace platform::memory
