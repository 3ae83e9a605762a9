#include "imaging/opaque_bands.h"

#include "gdi/little_endian.h"
#include "gdi/region_bands.h"

namespace imaging {
namespace {

// The maximal runs of pixels of one picture row whose colour is not `key`.
void RowSpans(const std::uint8_t* row, std::int32_t width, std::uint32_t key,
              std::vector<platform::RegionSpan>& spans) {
    // Every pixel but the last can be read with a 4-byte load that stays inside the row.
    const std::int32_t wide = width - 1;
    // A pixel's colour as 0x00RRGGBB (memory order blue, green, red); the 4-byte load is one
    // machine load.
    auto colour = [&](std::int32_t x) {
        return x < wide ? platform::le::Load32(row + 3 * x) & 0x00FFFFFFu
                        : platform::le::Load24(row + 3 * x);
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
