// Test controls of the fake backend's pointer: its position, button presses as the window
// system reports them, and the system's modal move loop, scripted as a path of the pointer.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/handles.h"
#include "platform/input.h"

namespace platform::fake {

void SetCursorPos(std::int32_t x, std::int32_t y);
PointerPosition CursorPos();
// Makes GetCursorPos fail (and leave its argument as it was) while true.
void SetCursorPosUnavailable(bool unavailable);

// Mouse buttons as the window messages name them.
enum class MouseButton { Left, Right, Middle };

// Posts what a press and release of `button` with the pointer over `window` gives its window
// procedure: the button-down and button-up messages, with the pointer's position relative to
// the window's top-left corner. DoubleClick posts down, up, double-click, up: a window of a
// class that receives double-clicks sees the second press as a double-click message.
void Click(WindowHandle window, MouseButton button);
void DoubleClick(WindowHandle window, MouseButton button);

// The path of the pointer during the next move loop, with the button held: it reaches (x, y)
// `afterMs` after the loop starts, and the button is released at the last point. Without a
// script the button is already up when the loop starts and it ends at once. Scripts are
// used in the order they were given, one per move loop.
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
    std::uint64_t sequence = 0; // when the loop started
};
// Every move loop the system ran, in order.
const std::vector<DragRecord>& Drags();

// When ReleaseCapture was called (sequence numbers).
const std::vector<std::uint64_t>& CaptureReleases();

// Pointer at (0, 0), no scripts, no records.
void ResetInput();

} // namespace platform::fake
