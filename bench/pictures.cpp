#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace bench {
namespace {

void Put(imaging::cDIBSection& dib, std::int32_t x, std::int32_t y, std::uint32_t colour) {
    std::uint8_t* pixel =
        dib.DIBSectionBitsPtr() +
        static_cast<std::ptrdiff_t>(dib.Height() - 1 - y) * dib.BytesPerScanLine() + 3 * x;
    pixel[0] = static_cast<std::uint8_t>(colour >> 16);
    pixel[1] = static_cast<std::uint8_t>(colour >> 8);
    pixel[2] = static_cast<std::uint8_t>(colour);
}

} // namespace

void DrawSpriteSheet(imaging::cDIBSection& dib) {
    dib.Create(kFullHdWidth, kFullHdHeight);
    for (std::int32_t y = 0; y < kFullHdHeight; ++y) {
        for (std::int32_t x = 0; x < kFullHdWidth; ++x) {
            Put(dib, x, y, kTransparent);
        }
    }
    std::mt19937 random(1);
    std::uniform_int_distribution<int> jitter(-4, 4);
    std::uniform_int_distribution<int> shade(40, 220);
    std::bernoulli_distribution speckle(0.03);
    constexpr int kCell = 48;
    for (int cy = kCell / 2; cy < kFullHdHeight; cy += kCell) {
        for (int cx = kCell / 2; cx < kFullHdWidth; cx += kCell) {
            const int x0 = cx + jitter(random);
            const int y0 = cy + jitter(random);
            const std::uint32_t body = static_cast<std::uint32_t>(shade(random)) << 8 | 0x30;
            for (int y = y0 - 20; y <= y0 + 18; ++y) {
                for (int x = x0 - 19; x <= x0 + 19; ++x) {
                    if (x < 0 || y < 0 || x >= kFullHdWidth || y >= kFullHdHeight) {
                        continue;
                    }
                    // A dome over a wavy skirt.
                    const double dx = (x - x0) / 19.0;
                    const double dy = (y - y0) / 20.0;
                    const bool inside =
                        dy < 0.6 ? dx * dx + dy * dy <= 1.0
                                 : std::abs(dx) <= 0.8 && dy <= 0.75 + 0.15 * std::sin(x * 1.3);
                    if (!inside) {
                        continue;
                    }
                    const bool eye = (std::abs(x - (x0 - 6)) <= 2 || std::abs(x - (x0 + 6)) <= 2) &&
                                     std::abs(y - (y0 - 5)) <= 3;
                    const bool mouth = std::abs(x - x0) <= 5 && y == y0 + 6;
                    const bool hole = eye || mouth || speckle(random);
                    Put(dib, x, y,
                        hole ? kTransparent : body + static_cast<std::uint32_t>(y - y0 + 20));
                }
            }
        }
    }
}

void DrawPhoto(imaging::cDIBSection& dib) {
    dib.Create(kFullHdWidth, kFullHdHeight);
    std::mt19937 random(2);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (std::int32_t r = 0; r < kFullHdHeight; ++r) {
        std::uint8_t* row =
            dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(r) * dib.BytesPerScanLine();
        for (std::int32_t x = 0; x < kFullHdWidth; ++x) {
            const double u = x / double(kFullHdWidth), v = r / double(kFullHdHeight);
            const int base[3] = {int(255 * u), int(127 + 120 * std::sin(7 * u + 3 * v)),
                                 int(255 * v)};
            for (int c = 0; c < 3; ++c) {
                row[3 * x + c] =
                    static_cast<std::uint8_t>(std::clamp(base[c] + noise(random), 0, 255));
            }
        }
    }
}

} // namespace bench
