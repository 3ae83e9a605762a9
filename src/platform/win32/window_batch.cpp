// Window update batches on Win32. Each SetWindowPos and SetWindowRgn is a round trip to the
// window server and a separate change on the X display under Wine; a frame that resizes,
// reshapes and moves a window in several steps is held back here and made with one call of
// each.
#include "platform/win32/window_batch.h"

#include <map>
#include <utility>

#include "gdi/win32/handle_cast.h"
#include "platform/window.h"

namespace platform::win32 {
namespace {

struct Held {
    int depth = 0;
    bool placement = false;
    RECT rect{};
    bool shape = false;
    HRGN region = nullptr; // owned until it is given to the window
    BOOL redraw = FALSE;
};

std::map<HWND, Held>& Batches() {
    static std::map<HWND, Held> batches;
    return batches;
}

Held* Find(HWND window) {
    auto found = Batches().find(window);
    return found == Batches().end() ? nullptr : &found->second;
}

void ApplyPlacement(HWND window, Held& held) {
    if (held.placement) {
        held.placement = false;
        ::SetWindowPos(window, nullptr, held.rect.left, held.rect.top,
                       held.rect.right - held.rect.left, held.rect.bottom - held.rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace

bool HoldPlacement(HWND window, const RECT& rect) {
    Held* held = Find(window);
    if (held == nullptr) {
        return false;
    }
    held->placement = true;
    held->rect = rect;
    return true;
}

bool HoldShape(HWND window, HRGN region, BOOL redraw) {
    Held* held = Find(window);
    if (held == nullptr) {
        return false;
    }
    if (held->region != nullptr) {
        ::DeleteObject(held->region);
    }
    held->shape = true;
    held->region = region;
    held->redraw = redraw;
    return true;
}

bool HeldRect(HWND window, RECT& rect) {
    Held* held = Find(window);
    if (held == nullptr || !held->placement) {
        return false;
    }
    rect = held->rect;
    return true;
}

void ApplyHeld(HWND window) {
    Held* held = Find(window);
    if (held == nullptr) {
        return;
    }
    if (held->shape) {
        held->shape = false;
        HRGN region = std::exchange(held->region, nullptr);
        if (::SetWindowRgn(window, region, held->redraw) == 0 && region != nullptr) {
            ::DeleteObject(region);
        }
    }
    ApplyPlacement(window, *held);
}

} // namespace platform::win32

namespace platform {

WindowUpdateBatch::WindowUpdateBatch(WindowHandle window) : window_(window) {
    win32::Held& held = win32::Batches()[win32::ToHwnd(window)];
    outermost_ = held.depth++ == 0;
}

WindowUpdateBatch::~WindowUpdateBatch() {
    HWND window = win32::ToHwnd(window_);
    win32::Held* held = win32::Find(window);
    if (held == nullptr || --held->depth > 0) {
        return;
    }
    win32::ApplyHeld(window);
    win32::Batches().erase(window);
}

} // namespace platform
