// What the backend contract suite needs from the backend it runs on: a way to act as the user
// (choose from a menu, drag a window) while the program waits in the window system's modal
// loop, and to put the backend back to its start between tests. Each test program links
// exactly one implementation: the fake backend's (tests/native) plays the user on its virtual
// clock; the win32 one (tests/win32) posts the input the window system would get.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdi/handles.h"

namespace contract_user {

// Puts the backend's adjustable state back to its start; nothing on a real window system.
void Reset();

// `afterMs` after the next pop-up menu opens, the user chooses its command item at
// `position` (0 for the first; separators are not counted), or dismisses the menu.
void ChooseMenuItem(std::uint32_t afterMs, std::size_t position);
void DismissMenu(std::uint32_t afterMs);

// The user grabs `window` with the left button and, `afterMs` after the next system drag
// starts, lets go of it `dx`, `dy` pixels away from where it was grabbed. Call it just before
// the drag is begun.
void DragWindowBy(platform::WindowHandle window, std::uint32_t afterMs, std::int32_t dx,
                  std::int32_t dy);

// How much earlier than its interval a timer's tick may come on this backend (the real
// system's clock has a coarse resolution); 0 on the fake's virtual clock.
std::uint32_t TimerSlackMs();

} // namespace contract_user
