// Pop-up menus on Win32. The menu is tracked with TPM_RETURNCMD so that the chosen command
// comes back as the result and its handler can run before the call returns, as the callers
// expect, instead of arriving later as a WM_COMMAND.
#include "platform/menu.h"

#include <windows.h>

#include "platform/messages.h"
#include "platform/win32/handle_cast.h"

namespace platform {
namespace {

HMENU ToHmenu(MenuHandle menu) {
    return win32::ToNative<HMENU>(menu);
}

} // namespace

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

std::int32_t CheckMenuItem(MenuHandle menu, std::uint32_t commandId, bool checked) {
    DWORD previous = ::CheckMenuItem(ToHmenu(menu), commandId,
                                     MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    return static_cast<std::int32_t>(previous);
}

bool IsMenuItemChecked(MenuHandle menu, std::uint32_t commandId) {
    UINT state = GetMenuState(ToHmenu(menu), commandId, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

std::uint32_t TrackPopupMenu(MenuHandle menu, std::uint32_t flags, std::int32_t x, std::int32_t y,
                             WindowHandle owner) {
    HWND hwnd = win32::ToHwnd(owner);
    BOOL chosen = ::TrackPopupMenu(ToHmenu(menu), flags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                                   hwnd, nullptr);
    // Lets the menu's own loop see that it has ended before the next menu opens.
    PostMessageA(hwnd, WM_NULL, 0, 0);
    RethrowPendingException();
    return static_cast<std::uint32_t>(chosen);
}

} // namespace platform
