// Fake windows: each window's state as the window system would hold it, and every operation
// on it recorded in order.
#include "platform/window.h"

#include <algorithm>
#include <map>

#include "platform/fake/fake_window.h"
#include "platform/fake/loop.h"
#include "platform/fake/memory_objects.h"

namespace platform {
namespace {

using fake::WindowOperation;
using fake::WindowState;

struct Screen {
    std::int32_t width = 1280;
    std::int32_t height = 1024;
    std::int32_t dpiX = 96;
    std::int32_t dpiY = 96;
};

Screen& TheScreen() {
    static Screen screen;
    return screen;
}

std::map<std::uintptr_t, WindowState>& Windows() {
    static std::map<std::uintptr_t, WindowState> windows;
    return windows;
}

std::map<std::uintptr_t, WindowState>& DestroyedWindows() {
    static std::map<std::uintptr_t, WindowState> windows;
    return windows;
}

WindowState* Find(WindowHandle window) {
    auto found = Windows().find(static_cast<std::uintptr_t>(window));
    return found == Windows().end() ? nullptr : &found->second;
}

void Record(WindowState& state, WindowOperation::Kind kind) {
    WindowOperation operation;
    operation.kind = kind;
    operation.rect = state.rect;
    operation.sequence = fake::detail::NextSequence();
    state.operations.push_back(operation);
}

// A negative width or height is taken as 0, as the window system does.
PixelRect WithoutNegativeSize(const PixelRect& rect) {
    return PixelRect{rect.left, rect.top, rect.left + std::max(rect.Width(), 0),
                     rect.top + std::max(rect.Height(), 0)};
}

} // namespace

Window CreateFormWindow(const std::string& caption, std::int32_t x, std::int32_t y,
                        std::int32_t width, std::int32_t height) {
    WindowState state;
    state.caption = caption;
    state.rect = WithoutNegativeSize(PixelRect{x, y, x + width, y + height});
    Record(state, WindowOperation::Kind::Create);
    std::uintptr_t value = fake::detail::NewHandleValue();
    Windows().emplace(value, std::move(state));
    return Window(WindowHandle{value});
}

bool DestroyWindow(WindowHandle window) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        fake::detail::RecordMisuse("DestroyWindow of a handle that is not a live window");
        return false;
    }
    // The window system releases the shape a window owns.
    if (!IsNull(state->region)) {
        fake::detail::DestroyRegion(state->region);
    }
    Record(*state, WindowOperation::Kind::Destroy);
    DestroyedWindows()[static_cast<std::uintptr_t>(window)] = std::move(*state);
    Windows().erase(static_cast<std::uintptr_t>(window));
    return true;
}

bool IsWindow(WindowHandle window) {
    return Find(window) != nullptr;
}

bool ShowWindow(WindowHandle window, bool visible) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        return false;
    }
    bool wasVisible = state->visible;
    state->visible = visible;
    Record(*state, visible ? WindowOperation::Kind::Show : WindowOperation::Kind::Hide);
    return wasVisible;
}

bool IsWindowVisible(WindowHandle window) {
    const WindowState* state = Find(window);
    return state != nullptr && state->visible;
}

PixelRect GetWindowRect(WindowHandle window) {
    if (window == fake::detail::kDesktopWindow) {
        return PixelRect{0, 0, TheScreen().width, TheScreen().height};
    }
    const WindowState* state = Find(window);
    return state == nullptr ? PixelRect{} : state->rect;
}

bool SetWindowRect(WindowHandle window, const PixelRect& rect) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        return false;
    }
    state->rect = WithoutNegativeSize(rect);
    Record(*state, WindowOperation::Kind::SetRect);
    return true;
}

bool SetTopmost(WindowHandle window, bool on, const PixelRect& rect) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        return false;
    }
    state->rect = WithoutNegativeSize(rect);
    state->topmost = on;
    state->visible = true;
    Record(*state, WindowOperation::Kind::SetTopmost);
    state->operations.back().topmost = on;
    return true;
}

// The fake window system shows every change the moment it is made: a batch holds nothing back,
// and the recorded operations keep the order of the calls.
WindowUpdateBatch::WindowUpdateBatch(WindowHandle window) : window_(window) {}
WindowUpdateBatch::~WindowUpdateBatch() {
    (void)window_;
    (void)outermost_;
}

void SetWindowPicture(WindowHandle window, BitmapHandle picture) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        return;
    }
    state->picture = picture;
    Record(*state, WindowOperation::Kind::SetPicture);
}

float TwipsPerPixelX() {
    return 1440.0f / static_cast<float>(TheScreen().dpiX);
}
float TwipsPerPixelY() {
    return 1440.0f / static_cast<float>(TheScreen().dpiY);
}

ScreenSize GetScreenSize() {
    return ScreenSize{TheScreen().width, TheScreen().height};
}

namespace fake {

const WindowState* FindWindowState(WindowHandle window) {
    return Find(window);
}

const WindowState* FindDestroyedWindowState(WindowHandle window) {
    auto found = DestroyedWindows().find(static_cast<std::uintptr_t>(window));
    return found == DestroyedWindows().end() ? nullptr : &found->second;
}

void ClearWindowOperations(WindowHandle window) {
    if (WindowState* state = Find(window)) {
        state->operations.clear();
    }
}

void SetScreen(std::int32_t width, std::int32_t height, std::int32_t dpiX, std::int32_t dpiY) {
    TheScreen() = Screen{width, height, dpiX, dpiY};
}

void ResetScreen() {
    TheScreen() = Screen{};
}

namespace detail {

RegionHandle* WindowRegionSlot(WindowHandle window) {
    WindowState* state = Find(window);
    return state == nullptr ? nullptr : &state->region;
}

void NoteWindowRegionChange(WindowHandle window, bool redraw) {
    WindowState* state = Find(window);
    if (state == nullptr) {
        return;
    }
    WindowOperation operation;
    operation.kind = WindowOperation::Kind::SetRegion;
    operation.rect = state->rect;
    operation.redraw = redraw;
    operation.hasRegion = !IsNull(state->region);
    operation.sequence = fake::detail::NextSequence();
    state->operations.push_back(operation);
}

} // namespace detail
} // namespace fake
} // namespace platform
