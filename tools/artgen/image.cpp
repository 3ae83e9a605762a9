#include "image.h"

namespace jellop::art {

Image mirrored(const Image& src) {
    Image out(src.width, src.height);
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x)
            out.at(src.width - 1 - x, y) = src.at(x, y);
    return out;
}

} // namespace jellop::art
