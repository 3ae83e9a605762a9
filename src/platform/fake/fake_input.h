// Test controls of the fake backend's pointer: its position, button presses as the window
// system reports them, and the system drag, scripted as a path of the pointer.
#pragma once

#include <cstdint>
#include <vector>

#include "gdi/handles.h"
#include "platform/input.h"
#include "platform/messages.h"

namespace platform::fake {

void SetCursorPos(std::int32_t x, std::int32_t y);
PointerPosition CursorPos();
// Makes GetCursorPos fail (and leave its argument as it was) while true.
void SetCursorPosUnavailable(bool unavailable);

// Queues what a press of `button` with the pointer over `window` makes the window system
// report: a button-down event with the pointer's position relative to the window's top-left
// corner. DoubleClick queues two presses, the second reported as a double-click.
void Click(WindowHandle window, MouseButton button, bool shift = false, bool control = false);
void DoubleClick(WindowHandle window, MouseButton button);

// The path of the pointer during the next system drag, with the button held: it reaches (x, y)
// `afterMs` after the drag starts, and the button is released at the last point. Without a
// script the button is already up when the drag starts and it ends at once. Scripts are
// used in the order they were given, one per drag.
struct DragPoint {
    std::uint32_t afterMs = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};
void ScriptDrag(std::vector<DragPoint> path);

struct DragRecord {
    WindowHandle window{};
    std::uint32_t startTime = 0;
    std::uint32_t endTime = 0;
    PointerPosition from;
    PointerPosition to;
    std::uint64_t sequence = 0; // when the drag started
};
// Every system drag, in order.
const std::vector<DragRecord>& Drags();

// Pointer at (0, 0), no scripts, no records.
void ResetInput();

} // namespace platform::fake
