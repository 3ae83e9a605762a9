#include "imaging/opaque_bands.h"

#include <bit>
#include <cstring>

#include "platform/region_bands.h"

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

// The maximal runs of pixels of one picture row whose colour is not `key`.
void RowSpans(const std::uint8_t* row, std::int32_t width, std::uint32_t key,
              std::vector<platform::RegionSpan>& spans) {
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

} // namespace

std::vector<platform::RegionRect> OpaqueBands(const PictureBits& picture,
                                              std::uint32_t transColor) {
    // 0x00BBGGRR as it lies in memory (blue, green, red) read as a little number: 0x00RRGGBB.
    std::uint32_t key =
        (transColor & 0xFFu) << 16 | (transColor & 0xFF00u) | (transColor >> 16 & 0xFFu);
    return platform::BandedRegion(
        picture.height, [&](std::int32_t y, std::vector<platform::RegionSpan>& spans) {
            const std::uint8_t* row =
                picture.bits +
                static_cast<std::ptrdiff_t>(picture.height - 1 - y) * picture.bytesPerScanLine;
            RowSpans(row, picture.width, key, spans);
        });
}

} // namespace imaging
