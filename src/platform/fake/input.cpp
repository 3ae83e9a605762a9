// Fake pointer: a position the tests set, the button presses a window reports, and the system
// drag, which follows a scripted pointer path while timers keep ticking.
#include "platform/input.h"

#include <deque>

#include "platform/app.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_messages.h"
#include "platform/fake/loop.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace platform {
namespace {

struct InputState {
    PointerPosition cursor;
    bool unavailable = false;
    std::deque<std::vector<fake::DragPoint>> dragScripts;
    std::vector<fake::DragRecord> drags;
};

InputState& State() {
    static InputState state;
    return state;
}

// A press of `button` at the pointer's position relative to the window.
ButtonPress PressOver(WindowHandle window, MouseButton button, bool shift, bool control) {
    PixelRect rect = GetWindowRect(window);
    return ButtonPress{button, shift, control, State().cursor.x - rect.left,
                       State().cursor.y - rect.top};
}

} // namespace

bool GetCursorPos(PointerPosition& position) {
    if (State().unavailable) {
        return false;
    }
    position = State().cursor;
    return true;
}

// The window follows the pointer: it keeps the offset it had from the pointer when the drag
// started, whatever else moved it meanwhile, as the system's move loop does.
void BeginSystemDrag(WindowHandle window) {
    fake::DragRecord record;
    record.window = window;
    record.startTime = TickCount();
    record.from = State().cursor;
    record.sequence = fake::detail::NextSequence();
    if (!State().dragScripts.empty() && IsWindow(window)) {
        std::vector<fake::DragPoint> path = std::move(State().dragScripts.front());
        State().dragScripts.pop_front();
        PixelRect start = GetWindowRect(window);
        std::uint32_t end = TickCount();
        for (const fake::DragPoint& point : path) {
            std::uint32_t at = TickCount() + point.afterMs;
            end = std::max(end, at);
            fake::ScheduleAt(at, [window, start, from = record.from, point] {
                State().cursor = {point.x, point.y};
                // The size is the window's own: ticks may resize it during the drag.
                PixelRect now = GetWindowRect(window);
                std::int32_t x = start.left + point.x - from.x;
                std::int32_t y = start.top + point.y - from.y;
                SetWindowRect(window, {x, y, x + now.Width(), y + now.Height()});
            });
        }
        fake::detail::RunLoop({}, end, true);
    }
    record.endTime = TickCount();
    record.to = State().cursor;
    State().drags.push_back(record);
    RethrowPendingException();
}

namespace fake {

void SetCursorPos(std::int32_t x, std::int32_t y) {
    State().cursor = {x, y};
}

PointerPosition CursorPos() {
    return State().cursor;
}

void SetCursorPosUnavailable(bool unavailable) {
    State().unavailable = unavailable;
}

void Click(WindowHandle window, MouseButton button, bool shift, bool control) {
    PostEvent(window, EventKind::ButtonDown, PressOver(window, button, shift, control));
}

void DoubleClick(WindowHandle window, MouseButton button) {
    PostEvent(window, EventKind::ButtonDown, PressOver(window, button, false, false));
    PostEvent(window, EventKind::DoubleClick, PressOver(window, button, false, false));
}

void ScriptDrag(std::vector<DragPoint> path) {
    State().dragScripts.push_back(std::move(path));
}

const std::vector<DragRecord>& Drags() {
    return State().drags;
}

void ResetInput() {
    State() = InputState{};
}

} // namespace fake
} // namespace platform
