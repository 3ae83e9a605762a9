// Fake event queue and loop: the events the window system reports wait in one queue for the
// thread, scheduled actions play the user's input on the virtual clock, and the loop delivers
// events before timer ticks (a timer's tick, like WM_TIMER, comes only when nothing else is
// waiting).
#include "platform/messages.h"
#include "platform/window_events_table.h"

#include <deque>
#include <map>
#include <memory>

#include "platform/app.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_messages.h"
#include "platform/fake/loop.h"
#include "platform/window.h"

namespace platform {
namespace {

using fake::EventKind;

struct Posted {
    WindowHandle window{};
    EventKind kind = EventKind::ButtonDown;
    ButtonPress press;
};

struct Scheduled {
    std::uint32_t time = 0;
    std::uint64_t order = 0;
    std::function<void()> action;
};

struct MessageState {
    WindowEventsTable events;
    std::deque<Posted> queue;
    std::vector<Scheduled> schedule; // kept sorted by (time, order)
    std::uint64_t scheduledCount = 0;
    std::vector<fake::DeliveredEvent> delivered;
    std::vector<fake::PumpPass> pumpPasses;
    std::uint64_t sequence = 0;
};

MessageState& State() {
    static MessageState state;
    return state;
}

// The window's event for `posted`, as a call; empty when the window has none for it.
std::function<void()> EventOf(const WindowEvents& events, const Posted& posted) {
    auto pressed = [&](const std::function<void(const ButtonPress&)>& event) {
        if (!event) {
            return std::function<void()>();
        }
        return std::function<void()>([&event, press = posted.press] { event(press); });
    };
    switch (posted.kind) {
    case EventKind::ButtonDown:
        return pressed(events.buttonDown);
    case EventKind::DoubleClick:
        return pressed(events.doubleClick);
    case EventKind::CloseRequest:
        return events.closeRequest;
    case EventKind::SessionEnd:
        return events.sessionEnd;
    }
    return {};
}

// Delivers one event to its window; a close request the window has no event for destroys it,
// as the window system's own handling does.
void Deliver(const Posted& posted) {
    if (!IsWindow(posted.window)) {
        return;
    }
    State().delivered.push_back(
        {posted.window, posted.kind, posted.press, TickCount(), fake::detail::NextSequence()});
    // Held while it runs: the event may remove the window's events.
    std::shared_ptr<const WindowEvents> events = State().events.Find(posted.window);
    std::function<void()> event = events ? EventOf(*events, posted) : std::function<void()>();
    if (event && (GuardCallback(event) || ExceptionPending())) {
        return;
    }
    if (posted.kind == EventKind::CloseRequest) {
        DestroyWindow(posted.window);
    }
}

// Runs the first scheduled action that is due; false when none is.
bool RunDueAction() {
    auto& schedule = State().schedule;
    if (schedule.empty() || schedule.front().time > TickCount()) {
        return false;
    }
    std::function<void()> action = std::move(schedule.front().action);
    schedule.erase(schedule.begin());
    action();
    return true;
}

bool DeliverQueued() {
    auto& queue = State().queue;
    if (queue.empty()) {
        return false;
    }
    Posted posted = queue.front();
    queue.pop_front();
    Deliver(posted);
    return true;
}

// Handles what is due now, one thing at a time: scheduled input, then queued events, then
// timer ticks. False when nothing is due.
bool DispatchOneDue() {
    return RunDueAction() || DeliverQueued() || fake::detail::FireDueTimer();
}

} // namespace

void SetWindowEvents(WindowHandle window, WindowEvents events) {
    State().events.Set(window, std::move(events));
}

void PumpPendingMessages() {
    State().pumpPasses.push_back({TickCount(), fake::detail::NextSequence()});
    while (DispatchOneDue()) {
        RethrowPendingException();
    }
    RethrowPendingException();
}

void RunMessageLoop(const std::function<bool()>& done) {
    fake::detail::RunLoop(done, std::nullopt, false);
}

namespace detail {

// The fake's modal loops look at ExceptionPending after every event and end by themselves.
void EndModalLoops() {}

} // namespace detail

namespace fake {

bool PostEvent(WindowHandle window, EventKind kind, const ButtonPress& press) {
    if (!IsWindow(window)) {
        return false;
    }
    State().queue.push_back({window, kind, press});
    return true;
}

bool RequestClose(WindowHandle window) {
    return PostEvent(window, EventKind::CloseRequest);
}

bool EndSession(WindowHandle window) {
    return PostEvent(window, EventKind::SessionEnd);
}

void ScheduleAt(std::uint32_t time, std::function<void()> action) {
    auto& state = State();
    Scheduled entry{time, state.scheduledCount++, std::move(action)};
    auto at = state.schedule.begin();
    while (at != state.schedule.end() && at->time <= time) {
        ++at;
    }
    state.schedule.insert(at, std::move(entry));
}

void ScheduleAfter(std::uint32_t delay, std::function<void()> action) {
    ScheduleAt(TickCount() + delay, std::move(action));
}

std::size_t ScheduledActionCount() {
    return State().schedule.size();
}

void RunFor(std::uint32_t milliseconds, const std::function<bool()>& done) {
    detail::RunLoop(done, TickCount() + milliseconds, false);
}

const std::vector<DeliveredEvent>& DeliveredEvents() {
    return State().delivered;
}

std::size_t QueuedEventCount() {
    return State().queue.size();
}

const std::vector<PumpPass>& PumpPasses() {
    return State().pumpPasses;
}

void ResetMessages() {
    std::uint64_t sequence = State().sequence;
    State() = MessageState{};
    State().sequence = sequence; // sequence numbers stay unique across resets
    platform::detail::ResetCallbackState();
}

namespace detail {

std::uint64_t NextSequence() {
    return ++State().sequence;
}

void RunLoop(const std::function<bool()>& done, std::optional<std::uint32_t> deadline, bool modal) {
    for (;;) {
        if (modal ? ExceptionPending() : (RethrowPendingException(), false)) {
            return;
        }
        if (done && done()) {
            return;
        }
        if (DispatchOneDue()) {
            continue;
        }
        // Nothing is due: wait for the next thing that will be.
        std::optional<std::uint32_t> next = NextTimerDue();
        auto& schedule = State().schedule;
        if (!schedule.empty() && (!next || schedule.front().time < *next)) {
            next = schedule.front().time;
        }
        if (deadline && (!next || *deadline < *next)) {
            next = deadline;
        }
        if (!next || *next <= TickCount()) {
            return; // nothing can happen any more, or the deadline has come
        }
        fake::AdvanceClock(*next - TickCount());
    }
}

} // namespace detail
} // namespace fake
} // namespace platform
