#include "platform/x11/xlib/pointer.h"

#include <cstdlib>

#include "platform/x11/xlib/xsettings.h"

namespace platform::x11 {

namespace {

struct PointerState {
    Point position;
    unsigned int mask;
    Point inWindow;
    bool sameScreen;
};

PointerState QueryPointer(Connection& connection, Window relativeTo) {
    Window root = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    Bool sameScreen = XQueryPointer(connection.Get(), relativeTo, &root, &child, &rootX, &rootY,
                                    &windowX, &windowY, &mask);
    return {{rootX, rootY}, mask, {windowX, windowY}, sameScreen == True};
}

constexpr int kDoubleClickDistance = 4;

} // namespace

Point PointerPosition(Connection& connection) {
    return QueryPointer(connection, connection.Root()).position;
}

PointerOverWindow PointerPosition(Connection& connection, Window window) {
    PointerState state = QueryPointer(connection, window);
    if (!state.sameScreen) {
        return {state.position, std::nullopt};
    }
    return {state.position,
            Point{state.position.x - state.inWindow.x, state.position.y - state.inWindow.y}};
}

bool LeftButtonDown(Connection& connection) {
    return (QueryPointer(connection, connection.Root()).mask & Button1Mask) != 0;
}

std::optional<ButtonEvent> ClickTracker::Track(const XButtonEvent& event) {
    ButtonEvent typed{};
    switch (event.button) {
    case Button1:
        typed.button = MouseButton::Left;
        break;
    case Button2:
        typed.button = MouseButton::Middle;
        break;
    case Button3:
        typed.button = MouseButton::Right;
        break;
    default:
        // The wheel (4 to 7) and the side buttons (8 and up) are no presses to a Windows
        // program either: the pet does nothing on them.
        return std::nullopt;
    }
    typed.pressed = event.type == ButtonPress;
    typed.shift = (event.state & ShiftMask) != 0;
    typed.control = (event.state & ControlMask) != 0;
    typed.screen = {event.x_root, event.y_root};
    typed.window = {event.x, event.y};
    typed.time = event.time;
    if (!typed.pressed) {
        return typed;
    }
    if (lastPress_ && lastPress_->button == typed.button) {
        Time elapsed = typed.time - lastPress_->time; // server time wraps; unsigned difference
        typed.doubleClick =
            elapsed <= static_cast<Time>(DoubleClickTime(connection_)) &&
            std::abs(typed.screen.x - lastPress_->screen.x) <= kDoubleClickDistance &&
            std::abs(typed.screen.y - lastPress_->screen.y) <= kDoubleClickDistance;
    }
    lastPress_ = typed.doubleClick ? std::nullopt : std::optional<ButtonEvent>(typed);
    return typed;
}

} // namespace platform::x11
