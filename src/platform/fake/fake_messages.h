// Test controls of the fake backend's window events: events the window system reports, input
// scheduled on the virtual clock, a run of the message loop for a stretch of virtual time, and
// the record of what was delivered.
//
// Time passes only when the program waits: Sleep moves the clock on without dispatching
// anything, and the message loop (and the modal loops of menus and moves) moves it on to the
// next due timer or scheduled action. A pump pass dispatches what is due and never waits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "gdi/handles.h"
#include "platform/messages.h"

namespace platform::fake {

// Runs `action` once the virtual clock has reached `time`, from the next message loop, pump
// pass or modal loop that looks at the clock: the way input reaches a program that waits for
// messages. Actions due at the same time run in the order they were scheduled.
void ScheduleAt(std::uint32_t time, std::function<void()> action);
void ScheduleAfter(std::uint32_t delay, std::function<void()> action);
std::size_t ScheduledActionCount();

// Runs the message loop for `milliseconds` of virtual time, or less when `done` says so.
// Rethrows an exception raised by a callback.
void RunFor(std::uint32_t milliseconds, const std::function<bool()>& done = {});

enum class EventKind { ButtonDown, DoubleClick, CloseRequest, SessionEnd };

// Queues an event for `window`, as the window system reports one: it is delivered by the next
// pump pass, message loop or modal loop. False when `window` is not a window.
bool PostEvent(WindowHandle window, EventKind kind, const ButtonPress& press = {});
// A close request from the user or the system, and the end of the session.
bool RequestClose(WindowHandle window);
bool EndSession(WindowHandle window);

struct DeliveredEvent {
    WindowHandle window{};
    EventKind kind = EventKind::ButtonDown;
    ButtonPress press; // ButtonDown, DoubleClick
    std::uint32_t time = 0;
    std::uint64_t sequence = 0;
};

// Every event delivered to a window, in order.
const std::vector<DeliveredEvent>& DeliveredEvents();
std::size_t QueuedEventCount();

struct PumpPass {
    std::uint32_t time = 0;
    std::uint64_t sequence = 0;
};
// Every call of PumpPendingMessages.
const std::vector<PumpPass>& PumpPasses();

// Empties the queue, the schedule and the records and forgets the windows' events.
void ResetMessages();

} // namespace platform::fake
