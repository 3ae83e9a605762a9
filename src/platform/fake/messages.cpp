// Fake message queue and loop: posted messages wait in one queue for the thread, scheduled
// actions play the user's input on the virtual clock, and the loop dispatches messages before
// timer ticks (a timer's tick, like WM_TIMER, comes only when nothing else is waiting).
#include "platform/messages.h"

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

struct Posted {
    WindowHandle window{};
    Message message;
};

struct Scheduled {
    std::uint32_t time = 0;
    std::uint64_t order = 0;
    std::function<void()> action;
};

struct MessageState {
    std::map<std::uintptr_t, std::shared_ptr<MessageHandler>> handlers;
    std::deque<Posted> queue;
    std::vector<Scheduled> schedule; // kept sorted by (time, order)
    std::uint64_t scheduledCount = 0;
    std::vector<fake::DispatchedMessage> dispatched;
    std::vector<fake::PumpPass> pumpPasses;
    std::uint64_t sequence = 0;
};

MessageState& State() {
    static MessageState state;
    return state;
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

bool DispatchQueued() {
    auto& queue = State().queue;
    if (queue.empty()) {
        return false;
    }
    Posted posted = queue.front();
    queue.pop_front();
    fake::detail::Deliver(posted.window, posted.message);
    return true;
}

// Handles what is due now, one thing at a time: scheduled input, then posted messages, then
// timer ticks. False when nothing is due.
bool DispatchOneDue() {
    return RunDueAction() || DispatchQueued() || fake::detail::FireDueTimer();
}

std::intptr_t DefaultProcessing(WindowHandle window, const Message& message) {
    if (message.id == kWmSysCommand && (message.wParam & 0xFFF0) == kScMove) {
        fake::detail::RunSystemMove(window);
        return 0;
    }
    if (message.id == kWmClose) {
        DestroyWindow(window);
    }
    return 0;
}

} // namespace

void SetMessageHandler(WindowHandle window, MessageHandler handler) {
    auto key = static_cast<std::uintptr_t>(window);
    if (handler) {
        State().handlers[key] = std::make_shared<MessageHandler>(std::move(handler));
    } else {
        State().handlers.erase(key);
    }
}

bool PostMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    if (!IsWindow(window)) {
        return false;
    }
    State().queue.push_back({window, Message{id, wParam, lParam}});
    return true;
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    std::intptr_t result = fake::detail::Deliver(window, Message{id, wParam, lParam});
    RethrowPendingException();
    return result;
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

const std::vector<DispatchedMessage>& DispatchedMessages() {
    return State().dispatched;
}

std::size_t QueuedMessageCount() {
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

std::intptr_t Deliver(WindowHandle window, const Message& message) {
    if (!IsWindow(window)) {
        return 0;
    }
    State().dispatched.push_back({window, message, TickCount(), NextSequence()});
    auto found = State().handlers.find(static_cast<std::uintptr_t>(window));
    std::optional<std::intptr_t> result;
    if (found != State().handlers.end()) {
        // Held while it runs: the handler may remove itself.
        std::shared_ptr<MessageHandler> handler = found->second;
        GuardCallback([&] { result = (*handler)(message); });
        if (ExceptionPending()) {
            return 0;
        }
    }
    return result ? *result : DefaultProcessing(window, message);
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
