// The menu's side of the form window procedure: a tracked pop-up menu is idle on screen.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Called for WM_ENTERIDLE from a menu (MSGF_MENU) with the menu's window: the first time a
// tracked menu shows under Wine, its window takes the foreground, so that it gets the keys.
void MenuShown(HWND menuWindow);

} // namespace platform::win32
