// Pop-up menus: built from string, check and separator items, and tracked modally at a screen
// position for an owner window.
#pragma once

#include <cstdint>
#include <string>

#include "gdi/handles.h"

namespace platform {

bool DestroyMenu(MenuHandle menu);
using Menu = UniqueHandle<MenuHandle, &DestroyMenu>;

// An empty pop-up menu; an empty owner when the system has no menu left.
Menu CreatePopupMenu();

// Appends a command item (its caption may carry an '&' before the access key) or a separator.
// Command ids are non-zero.
bool AppendMenuItem(MenuHandle menu, std::uint32_t commandId, const std::string& caption);
bool AppendMenuSeparator(MenuHandle menu);

// The check mark of a command item. CheckMenuItem is false when the menu has no item with that
// id; IsMenuItemChecked reads the state back.
bool CheckMenuItem(MenuHandle menu, std::uint32_t commandId, bool checked);
bool IsMenuItemChecked(MenuHandle menu, std::uint32_t commandId);

// Shows `menu` with its top-left corner at (x, y) in screen pixels for `owner` and runs the
// system's modal menu loop until the user chooses an item (with the left button or the keys)
// or dismisses the menu; timer ticks are still delivered meanwhile. Returns the chosen command
// id, or 0 when nothing was chosen. Rethrows an exception that a callback raised while the
// menu was open.
std::uint32_t TrackPopupMenu(MenuHandle menu, std::int32_t x, std::int32_t y, WindowHandle owner);

} // namespace platform
