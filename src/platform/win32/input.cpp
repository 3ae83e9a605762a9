// The pointer on Win32, and the drag of a window by it: the system's own move loop, started as
// a click on the caption bar would start it.
#include "platform/input.h"

#include <windows.h>

#include "gdi/win32/handle_cast.h"
#include "platform/messages.h"

namespace platform {

bool GetCursorPos(PointerPosition& position) {
    POINT point;
    if (!::GetCursorPos(&point)) {
        return false;
    }
    position = {point.x, point.y};
    return true;
}

// The button press that began the drag gave the window the mouse capture; released, the move
// loop takes it. SC_MOVE with HTCAPTION returns only when the move has ended.
void BeginSystemDrag(WindowHandle window) {
    ::ReleaseCapture();
    SendMessageA(win32::ToHwnd(window), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    RethrowPendingException();
}

} // namespace platform
