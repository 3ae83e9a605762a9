// The backend contract suite's user on Win32 (under Wine): what the user does in a modal loop
// is posted to the thread, from a timer of the system's own, as the input the window system
// would have queued: the keys that choose from a menu, the pointer's move and the button's
// release that end a drag.
#include "contract/user.h"

#include <windows.h>

#include <optional>

namespace contract_user {
namespace {

// The next menu's outcome: the command item to choose, or none to dismiss the menu.
std::optional<std::size_t> menuChoice;

// The window being dragged and the point, on the screen, where the button is released.
HWND dragged = nullptr;
POINT dropAt{};

// The window of the menu being tracked, or none: the keys then go to the thread.
HWND MenuWindow() {
    return FindWindowA(MAKEINTATOM(0x8000), nullptr); // the system's menu class, #32768
}

void CALLBACK PlayMenuChoice(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = MenuWindow();
    if (!menuChoice) {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    // Home selects the first command item, whatever was selected before; each Down the next.
    PostMessageA(menu, WM_KEYDOWN, VK_HOME, 0);
    for (std::size_t i = 0; i < *menuChoice; ++i) {
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageA(menu, WM_CHAR, '\r', 0);
}

void CALLBACK PlayDrop(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    SetCursorPos(dropAt.x, dropAt.y);
    POINT client = dropAt;
    ScreenToClient(dragged, &client);
    PostMessageA(dragged, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageA(dragged, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

} // namespace

void Reset() {}

void ChooseMenuItem(std::uint32_t afterMs, std::size_t position) {
    menuChoice = position;
    SetTimer(nullptr, 0, afterMs, &PlayMenuChoice);
}

void DismissMenu(std::uint32_t afterMs) {
    menuChoice.reset();
    SetTimer(nullptr, 0, afterMs, &PlayMenuChoice);
}

// The move loop starts from the position of the last message the thread took: the pointer is
// put on the window first, and a message taken there.
void DragWindowBy(platform::WindowHandle window, std::uint32_t afterMs, std::int32_t dx,
                  std::int32_t dy) {
    dragged = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
    RECT rect{};
    GetWindowRect(dragged, &rect);
    POINT grab{rect.left + 5, rect.top + 5};
    SetCursorPos(grab.x, grab.y);
    PostMessageA(dragged, WM_NULL, 0, 0);
    MSG msg;
    PeekMessageA(&msg, dragged, WM_NULL, WM_NULL, PM_REMOVE);
    dropAt = POINT{grab.x + dx, grab.y + dy};
    SetTimer(nullptr, 0, afterMs, &PlayDrop);
}

std::uint32_t TimerSlackMs() {
    return 16;
}

} // namespace contract_user
