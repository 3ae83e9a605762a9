// Form windows on Win32: one window class for every form, whose procedure hands each message
// to the form's handler first and otherwise paints the form's picture and leaves the rest to
// the default procedure. Nothing in it can throw: handlers run inside the message layer's
// guard.
#include "platform/window.h"

#include <map>

#include "gdi/win32/handle_cast.h"
#include "platform/win32/dispatch.h"
#include "platform/win32/menu_focus.h"
#include "platform/win32/window_batch.h"

namespace platform {

using win32::FromNative;
using win32::ToHbitmap;
using win32::ToHwnd;

namespace {

constexpr const char* kClassName = "JellopForm";
// The bitmap each form window paints (borrowed from the form). Kept in the process, not as a
// window property: a property is a round trip to the window server under Wine, and the picture
// changes with every frame. Only the user-interface thread uses it.
std::map<HWND, HBITMAP>& Pictures() {
    static std::map<HWND, HBITMAP> pictures;
    return pictures;
}

HBITMAP PictureOf(HWND window) {
    auto found = Pictures().find(window);
    return found == Pictures().end() ? nullptr : found->second;
}

void PaintPicture(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBITMAP picture = PictureOf(window);
    BITMAP size{};
    if (dc != nullptr && picture != nullptr && GetObjectA(picture, sizeof size, &size) != 0) {
        HDC source = CreateCompatibleDC(dc);
        if (source != nullptr) {
            HGDIOBJ previous = SelectObject(source, picture);
            ::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
            SelectObject(source, previous);
            DeleteDC(source);
        }
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (win32::DispatchToEvents(window, message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
    case WM_MOUSEACTIVATE:
        // A click leaves the activation where it is: a form never takes the keyboard focus
        // from the program the user works in. (A pet window that took it would also lose it
        // again whenever it moves, and that closes its pop-up menu.)
        return MA_NOACTIVATE;
    case WM_PAINT:
        PaintPicture(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        // A form is never activated by being moved, sized or shown, whoever does it: the
        // system's own move loop too. An activation would take the keyboard focus from the
        // user's window, and under Wine it hands the window to the window manager for good.
        reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
        break;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
            win32::MenuShown(reinterpret_cast<HWND>(lParam));
        }
        break;
    case WM_NCDESTROY:
        Pictures().erase(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterFormClass() {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS; // double-clicks arrive as such
        windowClass.lpfnWndProc = FormWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hIcon = LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(1));
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExA(&windowClass) != 0;
    }();
    return registered;
}

} // namespace

Window CreateFormWindow(const std::string& caption, std::int32_t x, std::int32_t y,
                        std::int32_t width, std::int32_t height) {
    if (!RegisterFormClass()) {
        return {};
    }
    // A popup has neither caption nor frame, so the client area starts at the window's
    // top-left corner; a tool window gets no taskbar button.
    HWND window =
        CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, caption.c_str(), WS_POPUP | WS_CLIPSIBLINGS,
                        x, y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return Window(FromNative<WindowHandle>(window));
}

bool DestroyWindow(WindowHandle window) {
    win32::ApplyHeld(ToHwnd(window));
    return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

bool IsWindow(WindowHandle window) {
    return !IsNull(window) && ::IsWindow(ToHwnd(window)) != FALSE;
}

bool ShowWindow(WindowHandle window, bool visible) {
    win32::ApplyHeld(ToHwnd(window));
    return ::ShowWindow(ToHwnd(window), visible ? SW_SHOWNOACTIVATE : SW_HIDE) != FALSE;
}

bool IsWindowVisible(WindowHandle window) {
    return ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

PixelRect GetWindowRect(WindowHandle window) {
    RECT rect{};
    if (!win32::HeldRect(ToHwnd(window), rect) && !::GetWindowRect(ToHwnd(window), &rect)) {
        return {};
    }
    return PixelRect{rect.left, rect.top, rect.right, rect.bottom};
}

bool SetWindowRect(WindowHandle window, const PixelRect& rect) {
    HWND hwnd = ToHwnd(window);
    if (win32::HoldPlacement(hwnd, RECT{rect.left, rect.top, rect.right, rect.bottom})) {
        return true;
    }
    win32::ApplyHeld(hwnd);
    return ::SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                          SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

// The rectangle is re-applied and the window always shown: neither SWP_NOMOVE nor SWP_NOSIZE,
// and SWP_SHOWWINDOW even for a hidden window.
bool SetTopmost(WindowHandle window, bool on, const PixelRect& rect) {
    HWND hwnd = ToHwnd(window);
    win32::ApplyHeld(hwnd);
    return ::SetWindowPos(hwnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, rect.left, rect.top,
                          rect.Width(), rect.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW) != FALSE;
}

void SetWindowPicture(WindowHandle window, BitmapHandle picture) {
    HWND hwnd = ToHwnd(window);
    if (IsNull(picture)) {
        Pictures().erase(hwnd);
    } else {
        Pictures()[hwnd] = ToHbitmap(picture);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

namespace {

// The screen's logical resolution is fixed for the session (a change takes a new log-on), so
// it is read once: every twips value of every form goes through it.
float ReadTwipsPerPixel(int axis) {
    HDC screen = ::GetDC(nullptr);
    int dpi = screen == nullptr ? 0 : GetDeviceCaps(screen, axis);
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return 1440.0f / static_cast<float>(dpi > 0 ? dpi : 96);
}

} // namespace

float TwipsPerPixelX() {
    static const float factor = ReadTwipsPerPixel(LOGPIXELSX);
    return factor;
}
float TwipsPerPixelY() {
    static const float factor = ReadTwipsPerPixel(LOGPIXELSY);
    return factor;
}

ScreenSize GetScreenSize() {
    return ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace platform
