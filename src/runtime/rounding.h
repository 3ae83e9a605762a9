// The one way a floating-point value becomes an integer: to the nearest integer, halves to
// even. Results that do not fit their integer type raise error 6 (overflow), as does checked
// 16- and 32-bit arithmetic.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/error.h"

namespace runtime {

// Nearest integer, halves to even, whatever the floating-point environment's rounding mode.
inline double RoundHalfEven(double value) {
    double down = std::floor(value);
    double rest = value - down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0)) {
        return down + 1.0;
    }
    return down;
}

template <typename Int> Int RoundTo(double value) {
    double rounded = RoundHalfEven(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        RaiseOverflow(); // also NaN
    }
    return static_cast<Int>(rounded);
}

inline std::int16_t RoundToInt16(double value) {
    return RoundTo<std::int16_t>(value);
}
inline std::int32_t RoundToInt32(double value) {
    return RoundTo<std::int32_t>(value);
}

// Sums and products of 16- and 32-bit integers that must stay inside their type, else error 6.
// Worked out in 64 bits, which holds any such sum or product exactly.
template <typename Int> Int Narrow(std::int64_t value) {
    static_assert(sizeof(Int) <= 4);
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        RaiseOverflow();
    }
    return static_cast<Int>(value);
}

template <typename Int> Int CheckedAdd(Int a, Int b) {
    return Narrow<Int>(static_cast<std::int64_t>(a) + b);
}

template <typename Int> Int CheckedMul(Int a, Int b) {
    return Narrow<Int>(static_cast<std::int64_t>(a) * b);
}

} // namespace runtime
