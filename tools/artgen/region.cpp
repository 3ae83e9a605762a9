#include "region.h"

#include <algorithm>

#include "bytes.h"

namespace jellop::art {

namespace {

using Runs = std::vector<std::pair<int, int>>; // [begin, end) columns

Runs rowRuns(const Image& img, int y) {
    Runs runs;
    for (int x = 0; x < img.width;) {
        if (img.at(x, y) == kClear) {
            ++x;
            continue;
        }
        const int begin = x;
        while (x < img.width && img.at(x, y) != kClear)
            ++x;
        runs.emplace_back(begin, x);
    }
    return runs;
}

} // namespace

std::vector<Rect> regionRects(const Image& img) {
    std::vector<Rect> rects;
    for (int y = 0; y < img.height;) {
        const Runs runs = rowRuns(img, y);
        int end = y + 1;
        if (!runs.empty())
            while (end < img.height && rowRuns(img, end) == runs)
                ++end;
        for (const auto& [begin, stop] : runs)
            rects.push_back({begin, y, stop, end});
        y = end;
    }
    return rects;
}

Rect boundingBox(const std::vector<Rect>& rects) {
    if (rects.empty())
        return {};
    Rect box = rects.front();
    for (const Rect& r : rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

std::vector<std::uint8_t> encodeRegion(const std::vector<Rect>& rects, int width, int height) {
    ByteWriter out;
    const auto count = static_cast<std::uint32_t>(rects.size());
    out.u32(32);
    out.u32(1);
    out.u32(count);
    out.u32(count * 16);
    for (int v : {0, 0, width, height})
        out.i32(v);
    for (const Rect& r : rects)
        for (int v : {r.left, r.top, r.right, r.bottom})
            out.i32(v);
    return out.bytes;
}

} // namespace jellop::art
