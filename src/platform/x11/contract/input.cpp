// The pointer on X11: asked from the server each time (never a stale position), and the drag
// of platform/x11 (drag.h): the window manager's move where one offers it, the program's own
// pointer grab otherwise.
#include "platform/x11/contract/session.h" // first: see there

#include "platform/input.h"

namespace platform {

bool GetCursorPos(PointerPosition& position) {
    x11::Session& session = x11::Session::Get();
    // Asked over a form window, the one reply also says where the window is: a walking tick
    // reads both, and each question is a round trip to the server.
    x11::PetWindow* window = session.AnyVisibleWindow();
    x11::Point at = window != nullptr ? window->PointerPosition()
                                      : x11::PointerPosition(session.GetConnection());
    position = {at.x, at.y};
    return true;
}

void BeginSystemDrag(WindowHandle window) {
    x11::Session& session = x11::Session::Get();
    x11::FormWindow* form = session.Find(window);
    if (form == nullptr || !x11::LeftButtonDown(session.GetConnection())) {
        return; // the button is up already: the drag is over
    }
    // The press the drag starts from: the window's last one, or the pointer where it is now
    // when the press has not been dispatched yet.
    x11::ButtonEvent press{};
    if (form->lastPress && form->lastPress->button == x11::MouseButton::Left) {
        press = *form->lastPress;
    } else {
        press.button = x11::MouseButton::Left;
        press.pressed = true;
        press.screen = x11::PointerPosition(session.GetConnection());
        press.time = CurrentTime;
    }
    form->ApplyHeld();
    x11::DragWindow(session.GetConnection(), session.Loop(), *form->window, press);
    session.RethrowPending();
}

} // namespace platform
