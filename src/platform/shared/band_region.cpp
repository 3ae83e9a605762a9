// Regions in banded form, built by sweeping down the rows: the y edges of the operands cut
// the plane into strips in which each operand's spans stay the same, each strip's spans are
// worked out in one dimension, and a strip is joined to the band above when the two meet and
// have the same spans.
#include "platform/shared/band_region.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/region_bands.h"

namespace platform::shared {
namespace {

using Spans = std::vector<RegionSpan>;

// Collects strips top to bottom into banded rectangles.
class BandBuilder {
  public:
    // Adds the strip of rows top to bottom - 1 covered by `spans` (maximal runs, left to
    // right); `top` is at or below the bottom of every strip added before.
    void Add(std::int32_t top, std::int32_t bottom, const Spans& spans) {
        if (spans.empty()) {
            return;
        }
        const std::size_t bandSize = rects_.size() - bandStart_;
        if (!rects_.empty() && rects_.back().bottom == top &&
            detail::SameSpans(spans, rects_.data() + bandStart_, bandSize)) {
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
    std::vector<RegionRect> rects_;
    std::size_t bandStart_ = 0; // the first rectangle of the last band
};

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

void AddEdges(std::span<const RegionRect> rects, std::vector<std::int32_t>& edges) {
    for (const RegionRect& rect : rects) {
        if (edges.empty() || edges.back() != rect.top) {
            edges.push_back(rect.top);
        }
        edges.push_back(rect.bottom);
    }
}

void SortUnique(std::vector<std::int32_t>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

} // namespace

BandRegion BandRegion::FromRects(std::span<const RegionRect> rects) {
    std::vector<RegionRect> pending;
    std::vector<std::int32_t> edges;
    for (const RegionRect& rect : rects) {
        if (rect.left < rect.right && rect.top < rect.bottom) {
            pending.push_back(rect);
            edges.push_back(rect.top);
            edges.push_back(rect.bottom);
        }
    }
    std::sort(pending.begin(), pending.end(),
              [](const RegionRect& p, const RegionRect& q) { return p.top < q.top; });
    SortUnique(edges);

    // The rectangles covering the current strip, kept sorted by left.
    std::vector<RegionRect> active;
    auto next = pending.begin();
    BandBuilder bands;
    Spans spans;
    for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
        const std::int32_t top = edges[k];
        std::erase_if(active, [top](const RegionRect& rect) { return rect.bottom <= top; });
        for (; next != pending.end() && next->top == top; ++next) {
            auto at = std::upper_bound(
                active.begin(), active.end(), next->left,
                [](std::int32_t left, const RegionRect& rect) { return left < rect.left; });
            active.insert(at, *next);
        }
        spans.clear();
        for (const RegionRect& rect : active) {
            if (!spans.empty() && rect.left <= spans.back().right) {
                spans.back().right = std::max(spans.back().right, rect.right);
            } else {
                spans.push_back({rect.left, rect.right});
            }
        }
        bands.Add(top, edges[k + 1], spans);
    }
    return BandRegion(bands.Take());
}

BandRegion BandRegion::FromBox(const RegionRect& box) {
    if (box.left < box.right && box.top < box.bottom) {
        return BandRegion({box});
    }
    return {};
}

BandRegion BandRegion::Combine(const BandRegion& a, const BandRegion& b, BandOp op) {
    std::vector<std::int32_t> edges;
    edges.reserve(2 * (a.rects_.size() + b.rects_.size()));
    AddEdges(a.rects_, edges);
    AddEdges(b.rects_, edges);
    SortUnique(edges);

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

} // namespace platform::shared
