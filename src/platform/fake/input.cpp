// Fake pointer: a position the tests set, the button messages a press gives a window, and the
// system's move loop, which follows a scripted pointer path while timers keep ticking.
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
    std::vector<std::uint64_t> captureReleases;
};

InputState& State() {
    static InputState state;
    return state;
}

struct ButtonMessages {
    std::uint32_t down, up, doubleClick;
    std::uintptr_t flag;
};

ButtonMessages MessagesOf(fake::MouseButton button) {
    switch (button) {
    case fake::MouseButton::Left:
        return {kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, kMkLButton};
    case fake::MouseButton::Right:
        return {kWmRButtonDown, kWmRButtonUp, kWmRButtonDblClk, kMkRButton};
    case fake::MouseButton::Middle:
        break;
    }
    return {kWmMButtonDown, kWmMButtonUp, kWmMButtonDblClk, kMkMButton};
}

// The pointer's position relative to the window, packed as mouse messages carry it.
std::intptr_t ClientPoint(WindowHandle window) {
    PixelRect rect = GetWindowRect(window);
    auto x = static_cast<std::uint16_t>(State().cursor.x - rect.left);
    auto y = static_cast<std::uint16_t>(State().cursor.y - rect.top);
    return static_cast<std::intptr_t>(static_cast<std::uint32_t>(x) |
                                      (static_cast<std::uint32_t>(y) << 16));
}

} // namespace

bool GetCursorPos(PointerPosition& position) {
    if (State().unavailable) {
        return false;
    }
    position = State().cursor;
    return true;
}

bool ReleaseCapture() {
    State().captureReleases.push_back(fake::detail::NextSequence());
    return true;
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

void Click(WindowHandle window, MouseButton button) {
    ButtonMessages messages = MessagesOf(button);
    PostMessage(window, messages.down, messages.flag, ClientPoint(window));
    PostMessage(window, messages.up, 0, ClientPoint(window));
}

void DoubleClick(WindowHandle window, MouseButton button) {
    ButtonMessages messages = MessagesOf(button);
    PostMessage(window, messages.down, messages.flag, ClientPoint(window));
    PostMessage(window, messages.up, 0, ClientPoint(window));
    PostMessage(window, messages.doubleClick, messages.flag, ClientPoint(window));
    PostMessage(window, messages.up, 0, ClientPoint(window));
}

void ScriptDrag(std::vector<DragPoint> path) {
    State().dragScripts.push_back(std::move(path));
}

const std::vector<DragRecord>& Drags() {
    return State().drags;
}

const std::vector<std::uint64_t>& CaptureReleases() {
    return State().captureReleases;
}

void ResetInput() {
    State() = InputState{};
}

namespace detail {

// The window follows the pointer: it keeps the offset it had from the pointer when the loop
// started, whatever else moved it meanwhile, as the system's move loop does.
void RunSystemMove(WindowHandle window) {
    DragRecord record;
    record.window = window;
    record.startTime = TickCount();
    record.from = State().cursor;
    record.sequence = NextSequence();
    if (!State().dragScripts.empty()) {
        std::vector<DragPoint> path = std::move(State().dragScripts.front());
        State().dragScripts.pop_front();
        PixelRect start = GetWindowRect(window);
        std::uint32_t end = TickCount();
        for (const DragPoint& point : path) {
            std::uint32_t at = TickCount() + point.afterMs;
            end = std::max(end, at);
            ScheduleAt(at, [window, start, from = record.from, point] {
                State().cursor = {point.x, point.y};
                SetWindowPos(window, WindowHandle{}, start.left + point.x - from.x,
                             start.top + point.y - from.y, 0, 0,
                             kSwpNoSize | kSwpNoZOrder | kSwpNoActivate);
            });
        }
        RunLoop({}, end, true);
    }
    record.endTime = TickCount();
    record.to = State().cursor;
    State().drags.push_back(record);
}

} // namespace detail
} // namespace fake
} // namespace platform
