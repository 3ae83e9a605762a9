#include "pet/modLayered.h"

#include <optional>

#include "platform/layered.h"
#include "platform/window.h"
#include "runtime/rounding.h"

namespace modLayered {
namespace {

constexpr std::int32_t kPlatformWin32Windows = 1;
constexpr double kFixedTwipsPerPixel = 15.0;

// Twips to pixels at the fixed factor, to the nearest pixel, halves to even; error 6 when the
// result does not fit 32 bits.
std::int32_t FixedPixels(float twips) {
    return runtime::RoundToInt32(static_cast<double>(twips) / kFixedTwipsPerPixel);
}

} // namespace

bool LayeredSupported = false;

void DetectLayeredSupport() {
    LayeredSupported = platform::SystemPlatformId() > kPlatformWin32Windows;
}

void SetWindowAlpha(platform::WindowHandle hWnd, std::int32_t lKey, std::uint8_t alpha) {
    if (!LayeredSupported) {
        return;
    }
    std::optional<std::uint32_t> colourKey;
    if (lKey != -1) {
        colourKey = static_cast<std::uint32_t>(lKey);
    }
    platform::SetOpacity(hWnd, alpha, colourKey);
}

void SetLayeredStyle(platform::WindowHandle hWnd, bool bOn) {
    if (!LayeredSupported) {
        return;
    }
    platform::SetLayered(hWnd, bOn);
}

void SetTopmost(const runtime::Form& window, bool bOn) {
    platform::WindowHandle hWnd = window.hWnd();
    float left = window.Left();
    float top = window.Top();
    float width = window.Width();
    float height = window.Height();
    std::int32_t x = FixedPixels(left);
    std::int32_t y = FixedPixels(top);
    platform::PixelRect rect{x, y, x + FixedPixels(width), y + FixedPixels(height)};
    platform::SetTopmost(hWnd, bOn, rect);
}

} // namespace modLayered
