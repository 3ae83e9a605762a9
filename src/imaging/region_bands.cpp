#include "imaging/region_bands.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace imaging {
namespace {

// The colour of the pixel at `p` as 0x00RRGGBB (memory order blue, green, red).
inline std::uint32_t Load24(const std::uint8_t* p) noexcept {
    return p[0] | static_cast<std::uint32_t>(p[1]) << 8 | static_cast<std::uint32_t>(p[2]) << 16;
}

// The same from a 4-byte load; the caller guarantees the fourth byte is readable.
inline std::uint32_t Load24Wide(const std::uint8_t* p) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return word & 0x00FFFFFFu;
    } else {
        return Load24(p);
    }
}

struct Span {
    std::int32_t left;
    std::int32_t right;
};

// The maximal runs of pixels of one picture row whose colour is not `key`.
void RowSpans(const std::uint8_t* row, std::int32_t width, std::uint32_t key,
              std::vector<Span>& spans) {
    spans.clear();
    // Every pixel but the last can be read with a 4-byte load that stays inside the row.
    const std::int32_t wide = width - 1;
    auto colour = [&](std::int32_t x) {
        return x < wide ? Load24Wide(row + 3 * x) : Load24(row + 3 * x);
    };
    std::int32_t x = 0;
    while (x < width) {
        while (x < width && colour(x) == key) {
            ++x;
        }
        if (x == width) {
            break;
        }
        std::int32_t left = x;
        while (x < width && colour(x) != key) {
            ++x;
        }
        spans.push_back({left, x});
    }
}

bool SameSpans(const std::vector<Span>& spans, const RegionRect* band, std::size_t count) {
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

void Put32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

} // namespace

std::vector<RegionRect> OpaqueBands(const PictureBits& picture, std::uint32_t transColor) {
    // 0x00BBGGRR as it lies in memory (blue, green, red) read as a little number: 0x00RRGGBB.
    std::uint32_t key =
        (transColor & 0xFFu) << 16 | (transColor & 0xFF00u) | (transColor >> 16 & 0xFFu);
    std::vector<RegionRect> rects;
    std::vector<Span> spans;
    std::size_t bandStart = 0;
    bool bandOpen = false; // the last band reaches down to the current line
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* row =
            picture.bits +
            static_cast<std::ptrdiff_t>(picture.height - 1 - y) * picture.bytesPerScanLine;
        RowSpans(row, picture.width, key, spans);
        if (spans.empty()) {
            bandOpen = false;
            continue;
        }
        std::size_t bandSize = rects.size() - bandStart;
        if (bandOpen && SameSpans(spans, rects.data() + bandStart, bandSize)) {
            for (std::size_t i = bandStart; i < rects.size(); ++i) {
                rects[i].bottom = y + 1;
            }
            continue;
        }
        bandStart = rects.size();
        for (const Span& span : spans) {
            rects.push_back({span.left, y, span.right, y + 1});
        }
        bandOpen = true;
    }
    return rects;
}

std::vector<std::uint8_t> RegionDataBlock(const std::vector<RegionRect>& bands) {
    constexpr std::size_t kHeader = 32;
    constexpr std::uint32_t kRectangles = 1; // RDH_RECTANGLES
    std::vector<std::uint8_t> block(kHeader + 16 * bands.size());
    RegionRect bound{0, 0, 0, 0};
    if (!bands.empty()) {
        bound = bands.front();
        for (const RegionRect& rect : bands) {
            bound.left = std::min(bound.left, rect.left);
            bound.right = std::max(bound.right, rect.right);
        }
        bound.bottom = bands.back().bottom;
    }
    std::uint8_t* out = block.data();
    Put32(out, kHeader);
    Put32(out + 4, kRectangles);
    Put32(out + 8, static_cast<std::uint32_t>(bands.size()));
    Put32(out + 12, static_cast<std::uint32_t>(16 * bands.size()));
    const std::int32_t bounds[4] = {bound.left, bound.top, bound.right, bound.bottom};
    for (int i = 0; i < 4; ++i) {
        Put32(out + 16 + 4 * i, static_cast<std::uint32_t>(bounds[i]));
    }
    out += kHeader;
    for (const RegionRect& rect : bands) {
        Put32(out, static_cast<std::uint32_t>(rect.left));
        Put32(out + 4, static_cast<std::uint32_t>(rect.top));
        Put32(out + 8, static_cast<std::uint32_t>(rect.right));
        Put32(out + 12, static_cast<std::uint32_t>(rect.bottom));
        out += 16;
    }
    return block;
}

} // namespace imaging
