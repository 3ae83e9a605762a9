#include "pet/modLayered.h"

#include "platform/layered.h"
#include "platform/window.h"
#include "runtime/rounding.h"

namespace modLayered {
namespace {

constexpr std::int32_t kPlatformWin32Windows = 1;
constexpr double kFixedTwipsPerPixel = 15.0;
constexpr std::uint32_t kTopmostFlags = platform::kSwpNoActivate | platform::kSwpShowWindow;

// Twips to pixels at the fixed factor, to the nearest pixel, halves to even; error 6 when the
// result does not fit 32 bits.
std::int32_t FixedPixels(float twips) {
    return runtime::RoundToInt32(static_cast<double>(twips) / kFixedTwipsPerPixel);
}

} // namespace

bool LayeredSupported = false;

void DetectLayeredSupport() {
    LayeredSupported = platform::GetVersionExPlatformId() > kPlatformWin32Windows;
}

void SetWindowAlpha(platform::WindowHandle hWnd, std::int32_t lKey, std::uint8_t alpha) {
    if (!LayeredSupported) {
        return;
    }
    std::uint32_t flags = 0;
    std::uint32_t colour = static_cast<std::uint32_t>(lKey);
    if (lKey == -1) {
        colour = 0;
    } else {
        flags |= platform::kLwaColorKey;
    }
    if (alpha < 255) {
        flags |= platform::kLwaAlpha;
    }
    platform::SetLayeredWindowAttributes(hWnd, colour, alpha, flags);
}

void SetLayeredStyle(platform::WindowHandle hWnd, bool bOn) {
    if (!LayeredSupported) {
        return;
    }
    std::int32_t style = platform::GetWindowLong(hWnd, platform::kGwlExStyle);
    if (bOn) {
        style |= platform::kWsExLayered;
    } else {
        style &= ~platform::kWsExLayered;
    }
    platform::SetWindowLong(hWnd, platform::kGwlExStyle, style);
}

void SetTopmost(const runtime::Form& window, bool bOn) {
    platform::WindowHandle hWnd = window.hWnd();
    float left = window.Left();
    float top = window.Top();
    float width = window.Width();
    float height = window.Height();
    platform::WindowHandle insertAfter = bOn ? platform::kHwndTopmost : platform::kHwndNoTopmost;
    platform::SetWindowPos(hWnd, insertAfter, FixedPixels(left), FixedPixels(top),
                           FixedPixels(width), FixedPixels(height), kTopmostFlags);
}

} // namespace modLayered
