// Little-endian numbers in bytes, read and written the one way for every file format the
// program, its tools and its tests handle: region-data blocks, PE resource modules, wave and
// bitmap files, and the 24-bit pixels of DIB sections. Part of the region data, the bottom of
// the platform layer (it needs nothing else), so every layer, the art tool and the tests see it.
// The bytes may be char, unsigned char or std::byte; the values come out the same on hosts of
// either byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <type_traits>
#include <vector>

namespace platform::le {

// The byte types the functions take.
template <typename T>
inline constexpr bool kIsByte =
    std::is_same_v<T, std::byte> || std::is_same_v<T, char> || std::is_same_v<T, unsigned char>;
template <typename T>
concept Byte = kIsByte<std::remove_cv_t<T>>;

template <Byte B> constexpr std::uint32_t Octet(B b) {
    return static_cast<std::uint8_t>(b);
}

// The number in the 2, 3 or 4 bytes at `p`, lowest byte first.
template <Byte B> constexpr std::uint16_t Load16(const B* p) {
    return static_cast<std::uint16_t>(Octet(p[0]) | Octet(p[1]) << 8);
}
template <Byte B> constexpr std::uint32_t Load24(const B* p) {
    return Octet(p[0]) | Octet(p[1]) << 8 | Octet(p[2]) << 16;
}
template <Byte B> constexpr std::uint32_t Load32(const B* p) {
    return Octet(p[0]) | Octet(p[1]) << 8 | Octet(p[2]) << 16 | Octet(p[3]) << 24;
}

// Whether `width` bytes at offset `at` of `bytes` lie inside it.
template <typename Bytes>
constexpr bool Holds(const Bytes& bytes, std::uint64_t at, std::size_t width) {
    return at <= std::size(bytes) && std::size(bytes) - at >= width;
}

// The same at offset `at` of `bytes` (a span, vector or string of bytes), or nothing when the
// number would reach past its end.
template <typename Bytes>
std::optional<std::uint16_t> Read16(const Bytes& bytes, std::uint64_t at) {
    return Holds(bytes, at, 2) ? std::optional(Load16(std::data(bytes) + at)) : std::nullopt;
}
template <typename Bytes>
std::optional<std::uint32_t> Read32(const Bytes& bytes, std::uint64_t at) {
    return Holds(bytes, at, 4) ? std::optional(Load32(std::data(bytes) + at)) : std::nullopt;
}

// Writes `value` into the 2 or 4 bytes at `p`, lowest byte first.
template <Byte B> constexpr void Store16(B* p, std::uint16_t value) {
    p[0] = static_cast<B>(value & 0xFF);
    p[1] = static_cast<B>(value >> 8);
}
template <Byte B> constexpr void Store32(B* p, std::uint32_t value) {
    Store16(p, static_cast<std::uint16_t>(value));
    Store16(p + 2, static_cast<std::uint16_t>(value >> 16));
}

// Appends the low 2 or all 4 bytes of `value` to `out`, lowest byte first.
inline void Append16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Append16(out, value);
    Append16(out, value >> 16);
}

} // namespace platform::le
