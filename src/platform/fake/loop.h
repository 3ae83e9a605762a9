// The fake backend's message loop machinery, shared by its message, timer, input and menu
// files: the order of events, the timers that are due, and the loop that moves the virtual
// clock on from one event to the next.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "gdi/handles.h"
#include "platform/messages.h"

namespace platform::fake::detail {

// One counter for every recorded call of the fake backend, so that tests can tell the order
// of calls recorded by different concerns.
std::uint64_t NextSequence();

// Timers (timer.cpp): when the next one comes due, and firing the earliest one that is due
// now (false when none is).
std::optional<std::uint32_t> NextTimerDue();
bool FireDueTimer();

// Runs the loop until `done` returns true or, with a deadline, until the virtual clock has
// reached it and nothing is due any more. `modal` loops (a menu, a move) stop as soon as a
// callback has raised an exception and leave it pending; the program's loop rethrows it.
void RunLoop(const std::function<bool()>& done, std::optional<std::uint32_t> deadline, bool modal);

} // namespace platform::fake::detail
