// The pointer on X11: asked from the server each time (never a stale position), or on a Wayland
// session the compositor's position a relay last gave (pointer_relay.h), and the drag
// of platform/x11 (drag.h): the window manager's move where one offers it, the program's own
// pointer grab otherwise.
#include "platform/x11/session.h" // first: see there

#include "platform/input.h"

#include <chrono>
#include <cstdlib>

#include "platform/x11/xlib/pointer_relay.h"

namespace platform {

bool GetCursorPos(PointerPosition& position) {
    x11::Session& session = x11::Session::Get();
    // Chosen at the first read (the first walk tick or menu), kept for the program's life.
    static const std::unique_ptr<x11::PointerRelay> relay =
        x11::PointerRelay::Start(session.GetConnection(), session.Loop());
    if (std::optional<x11::Point> relayed = relay ? relay->Position() : std::nullopt) {
        position = {relayed->x, relayed->y};
        return true;
    }
    // Asked over a form window, the one reply also says where the window is: a walking tick
    // reads both, and each question is a round trip to the server.
    x11::PetWindow* window = session.AnyVisibleWindow();
    x11::Point at = window != nullptr ? window->PointerPosition()
                                      : x11::PointerPosition(session.GetConnection());
    position = {session.ToProgramX(at.x), session.ToProgramY(at.y)};
    return true;
}

namespace {

// How far the pointer moves with the button held before a press becomes a drag (Windows' drag
// rectangle is 4 pixels across, centred on the press).
constexpr int kDragThreshold = 2;

// Whether the press at `from` becomes a drag: true once the pointer has moved beyond the
// threshold with the button held, false when the button comes up first (a click) or a callback
// raised an error. Timers tick meanwhile. A click must not start the window manager's move:
// the manager would wait for a release that has already come and take the next click (the
// second of a double-click) to end it.
bool BecomesADrag(x11::Session& session, x11::Point from) {
    x11::Connection& connection = session.GetConnection();
    bool released = false;
    bool moved = false;
    x11::EventLoop::Id poll = session.Loop().AddTimer(std::chrono::milliseconds(10), [&] {
        if (!x11::LeftButtonDown(connection)) {
            released = true;
            return;
        }
        x11::Point at = x11::PointerPosition(connection);
        moved =
            std::abs(at.x - from.x) > kDragThreshold || std::abs(at.y - from.y) > kDragThreshold;
    });
    session.Loop().RunUntil([&] { return released || moved; });
    session.Loop().RemoveTimer(poll);
    return moved && !session.Loop().Interrupted();
}

} // namespace

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
    if (BecomesADrag(session, press.screen) && session.Find(window) == form) {
        form->ApplyHeld();
        x11::DragWindow(session.GetConnection(), session.Loop(), *form->window, press);
    }
    session.RethrowPending();
}

} // namespace platform
