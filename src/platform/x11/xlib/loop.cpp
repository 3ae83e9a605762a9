#include "platform/x11/xlib/loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace platform::x11 {

// Marks the time a callback runs: a turn of its own, and a new one for its caller after it.
class EventLoop::InCallback {
  public:
    explicit InCallback(EventLoop& loop) : loop_(loop) {
        ++loop_.callbackTurn_;
        ++loop_.callbackDepth_;
    }
    ~InCallback() {
        --loop_.callbackDepth_;
        ++loop_.callbackTurn_;
    }
    InCallback(const InCallback&) = delete;
    InCallback& operator=(const InCallback&) = delete;

  private:
    EventLoop& loop_;
};

EventLoop::Id EventLoop::AddTimer(std::chrono::milliseconds period, std::function<void()> tick) {
    period = std::max(period, std::chrono::milliseconds(1));
    return static_cast<Id>(timers_.Add(period, std::move(tick), Clock::now()));
}

void EventLoop::RemoveTimer(Id timer) {
    timers_.Remove(timer);
}

EventLoop::Id EventLoop::AddFd(int fd, short events, std::function<void(short)> ready) {
    Id id = nextId_++;
    watches_[id] = {fd, events, std::make_shared<std::function<void(short)>>(std::move(ready))};
    return id;
}

void EventLoop::RemoveFd(Id watch) {
    watches_.erase(watch);
}

void EventLoop::SetWindowHandler(Window window, EventHandler handler) {
    if (handler) {
        handlers_[window] = std::make_shared<EventHandler>(std::move(handler));
    } else {
        handlers_.erase(window);
    }
}

// Each timer due fires once (timer_queue.h). Callbacks may add and remove timers (themselves
// too) and run modal loops: each timer is rescheduled before its callback runs, so a nested
// pass inside the callback does not fire it again for the same tick.
void EventLoop::RunDueTimers() {
    const Clock::time_point now = Clock::now();
    while (auto due = timers_.TakeDue(now)) {
        InCallback turn(*this);
        (*due->second)();
    }
}

void EventLoop::Dispatch(const XEvent& event) {
    auto found = handlers_.find(event.xany.window);
    if (found != handlers_.end()) {
        std::shared_ptr<EventHandler> handler = found->second;
        InCallback turn(*this);
        (*handler)(event);
    } else if (fallback_) {
        EventHandler fallback = fallback_;
        InCallback turn(*this);
        fallback(event);
    }
}

// The events pending when the pass starts; those that handlers cause wait for the next pass.
// A handler may run a modal loop of its own (a menu, a drag) that takes some of them, so each
// is taken only while one is still queued: XNextEvent on an empty queue would wait for the next
// event from the server, however long that takes and however many timers fall due meanwhile.
void EventLoop::DispatchPendingEvents(bool read) {
    ::Display* display = connection_.Get();
    for (int pending = read ? XPending(display) : XEventsQueued(display, QueuedAlready);
         pending > 0 && XEventsQueued(display, QueuedAlready) > 0; --pending) {
        XEvent event;
        XNextEvent(display, &event);
        Dispatch(event);
    }
}

// One poll() over the X connection and the watched fds; the watched ones that are ready are
// served.
bool EventLoop::ServeFds(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    fds.push_back({connection_.Fd(), POLLIN, 0});
    for (const auto& [id, watch] : watches_) {
        fds.push_back({watch.fd, watch.events, 0});
        ids.push_back(id);
    }
    int ready = poll_(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0) {
        return false; // a timeout, or a signal (EINTR): the caller's pass follows anyway
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        auto found = watches_.find(ids[i]);
        if (fds[i + 1].revents == 0 || found == watches_.end()) {
            continue;
        }
        std::shared_ptr<std::function<void(short)>> callback = found->second.ready;
        InCallback turn(*this);
        (*callback)(fds[i + 1].revents);
    }
    return fds[0].revents != 0;
}

void EventLoop::PumpPass() {
    DispatchPendingEvents();
    RunDueTimers();
    if (!watches_.empty()) {
        ServeFds(0);
    }
}

void EventLoop::WaitAndPump() {
    ::Display* display = connection_.Get();
    connection_.Send(); // what the program asked for goes out before it sleeps
    int timeoutMs = -1;
    if (XEventsQueued(display, QueuedAlready) > 0) {
        timeoutMs = 0; // events already read from the connection: poll() would not see them
    } else if (std::optional<Clock::time_point> next = timers_.NextDue()) {
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
        timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
    }
    DispatchPendingEvents(ServeFds(timeoutMs));
    RunDueTimers();
}

void EventLoop::RunUntil(const std::function<bool()>& done) {
    while (!interrupted_ && !done()) {
        WaitAndPump();
    }
}

} // namespace platform::x11
