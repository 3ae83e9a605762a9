#include "region.h"

#include "gdi/region_bands.h"

namespace jellop::art {

std::vector<Rect> regionRects(const Image& img) {
    return platform::BandedRegion(img.height, [&](int y, std::vector<platform::RegionSpan>& runs) {
        for (int x = 0; x < img.width;) {
            if (img.at(x, y) == kClear) {
                ++x;
                continue;
            }
            const int begin = x;
            while (x < img.width && img.at(x, y) != kClear)
                ++x;
            runs.push_back({begin, x});
        }
    });
}

} // namespace jellop::art
