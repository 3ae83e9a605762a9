// Pop-up menus on Win32. The menu is tracked with TPM_RETURNCMD so that the chosen command
// comes back as the result and its handler can run before the call returns, as the callers
// expect, instead of arriving later as a WM_COMMAND.
//
// The keyboard: a pop-up menu takes the keys, and closes on a click elsewhere, only while its
// owner is the foreground window. So the owner is made the foreground window before the menu
// is tracked, a harmless message is posted to it afterwards (without it the next menu can
// close at once), and then the window that had the foreground gets it back, so that the
// user's own window has the keyboard again.
#include "platform/menu.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "gdi/win32/handle_cast.h"
#include "platform/messages.h"
#include "platform/win32/menu_focus.h"

namespace platform {
namespace {

HMENU ToHmenu(MenuHandle menu) {
    return win32::ToNative<HMENU>(menu);
}

// Under Wine the keyboard reaches a program only through an X window of it that has the X
// input focus, and a hidden owner has no X window on screen: the menu's own window must take
// the foreground instead, once it shows. When it closes, Wine hands the foreground (and the X
// focus) to another visible window of the program, which would then hold the keyboard; so
// while the menu is open the program's other windows are disabled, as a modal dialog does,
// and the focus goes back where X returns it. Only Wine exports wine_get_version from ntdll.
bool RunsUnderWine() {
    static const bool wine =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool menuTakesForeground = false;

// Disables the visible, enabled top-level windows of this thread but `owner` for its lifetime.
class OtherWindowsDisabled {
  public:
    explicit OtherWindowsDisabled(HWND owner) : owner_(owner) {
        EnumThreadWindows(GetCurrentThreadId(), &Disable, reinterpret_cast<LPARAM>(this));
    }
    ~OtherWindowsDisabled() {
        for (HWND window : disabled_) {
            EnableWindow(window, TRUE);
        }
    }
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

  private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self) {
        auto* windows = reinterpret_cast<OtherWindowsDisabled*>(self);
        if (window != windows->owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            windows->disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND owner_;
    std::vector<HWND> disabled_;
};

// Gives the foreground back to `previous`; with none (the user's window belongs to no program
// of this desktop, as for an X program under Wine) no window of this program stays active.
void RestoreForeground(HWND previous, HWND owner) {
    if (previous != nullptr && previous != owner && previous != ::GetDesktopWindow() &&
        IsWindow(previous) && SetForegroundWindow(previous)) {
        return;
    }
    SetActiveWindow(nullptr);
}

} // namespace

namespace win32 {

void MenuShown(HWND menuWindow) {
    if (menuTakesForeground && menuWindow != nullptr) {
        menuTakesForeground = false;
        SetForegroundWindow(menuWindow);
    }
}

} // namespace win32

bool DestroyMenu(MenuHandle menu) {
    return ::DestroyMenu(ToHmenu(menu)) != FALSE;
}

Menu CreatePopupMenu() {
    return Menu(win32::FromNative<MenuHandle>(::CreatePopupMenu()));
}

bool AppendMenuItem(MenuHandle menu, std::uint32_t commandId, const std::string& caption) {
    return AppendMenuA(ToHmenu(menu), MF_STRING, commandId, caption.c_str()) != FALSE;
}

bool AppendMenuSeparator(MenuHandle menu) {
    return AppendMenuA(ToHmenu(menu), MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool CheckMenuItem(MenuHandle menu, std::uint32_t commandId, bool checked) {
    DWORD previous = ::CheckMenuItem(ToHmenu(menu), commandId,
                                     MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    return previous != static_cast<DWORD>(-1);
}

bool IsMenuItemChecked(MenuHandle menu, std::uint32_t commandId) {
    UINT state = GetMenuState(ToHmenu(menu), commandId, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

// Left-aligned at x, top-aligned at y, chosen with the left button (no TPM_ flags of the
// caller's).
std::uint32_t TrackPopupMenu(MenuHandle menu, std::int32_t x, std::int32_t y, WindowHandle owner) {
    HWND hwnd = win32::ToHwnd(owner);
    HWND previous = GetForegroundWindow();
    SetForegroundWindow(hwnd);
    std::optional<OtherWindowsDisabled> disabled;
    if (RunsUnderWine()) {
        disabled.emplace(hwnd);
        menuTakesForeground = true;
    }
    BOOL chosen =
        ::TrackPopupMenu(ToHmenu(menu), TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, hwnd, nullptr);
    menuTakesForeground = false;
    disabled.reset();
    PostMessageA(hwnd, WM_NULL, 0, 0);
    RestoreForeground(previous, hwnd);
    RethrowPendingException();
    return static_cast<std::uint32_t>(chosen);
}

} // namespace platform
