// Point-in-shape tests in integer fixed point, so the same description gives
// the same pixels on every compiler and machine.
#include "description.h"

namespace jellop::art {

namespace {

constexpr std::int64_t kOne = 1 << 16; // 1.0 in 16.16 fixed point

std::int64_t isqrt(std::int64_t v) {
    std::int64_t r = 0;
    for (std::int64_t bit = std::int64_t(1) << 40; bit; bit >>= 2) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
    }
    return r;
}

// t^(halfSteps / 2) for 0 <= t <= 1, all in 16.16 fixed point.
std::int64_t power(std::int64_t t, int halfSteps) {
    std::int64_t r = kOne;
    for (int i = 0; i < halfSteps / 2; ++i)
        r = (r * t) >> 16;
    if (halfSteps % 2)
        r = (r * isqrt(t << 16)) >> 16;
    return r;
}

} // namespace

bool Shape::contains(int px, int py) const {
    if (kind == Kind::Box)
        return px >= x0 && px < x1 && py >= y0 && py < y1;

    const Milli x = Milli(px) * 1000 + 500; // pixel centre
    const Milli y = Milli(py) * 1000 + 500;
    const Milli centreX = cx + lean * (cy - y) / ryTop;
    const Milli dx = x < centreX ? centreX - x : x - centreX;
    const bool upper = y < cy;
    const Milli dy = upper ? cy - y : y - cy;
    const Milli ry = upper ? ryTop : ryBottom;
    if (dx > rx || dy > ry)
        return false;
    const int halfExp = upper ? halfExpTop : halfExpBottom;
    return power(dx * kOne / rx, halfExp) + power(dy * kOne / ry, halfExp) <= kOne;
}

} // namespace jellop::art
