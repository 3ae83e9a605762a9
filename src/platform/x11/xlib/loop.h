// The one loop of the program's one thread: X events, periodic timers and other file
// descriptors (the sound server's, say), all waited for in a single poll() whose timeout is
// the next timer's deadline, so the program sleeps between ticks.
//
// Timers are periodic. A tick that comes late is not made up: a timer that has fallen a whole
// period or more behind fires once and then keeps its period from that moment.
//
// Handlers may run modal loops of their own (a menu, a message box, a drag) through RunUntil:
// timers, fds and the events of every window keep being served inside them.
#pragma once

#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/timer_queue.h"
#include "platform/x11/xlib/display.h"

namespace platform::x11 {

class EventLoop {
  public:
    using Clock = std::chrono::steady_clock;
    using Id = unsigned;
    using EventHandler = std::function<void(const XEvent&)>;

    explicit EventLoop(Connection& connection) : connection_(connection) {}

    // A timer calling `tick` every `period` (at least 1 ms) from now on, until removed.
    Id AddTimer(std::chrono::milliseconds period, std::function<void()> tick);
    void RemoveTimer(Id timer);

    // Watches `fd` for the poll() `events`; `ready` gets the revents.
    Id AddFd(int fd, short events, std::function<void(short revents)> ready);
    void RemoveFd(Id watch);

    // The events of window `window` go to `handler` (one handler a window; none removes it).
    // Events of windows without a handler go to the fallback handler, if there is one.
    void SetWindowHandler(Window window, EventHandler handler);
    void SetFallbackHandler(EventHandler handler) { fallback_ = std::move(handler); }

    // One pump pass without waiting: the X events pending now, the timers due now, the fds
    // ready now.
    void PumpPass();

    // Sleeps until an X event, a ready fd or the next timer's deadline, then one pump pass.
    void WaitAndPump();

    // Waits and pumps until `done()` is true (checked before each wait), or until the loop is
    // interrupted.
    void RunUntil(const std::function<bool()>& done);

    // While interrupted, every RunUntil returns at once, the modal loops inside handlers
    // included: the program is on its way out of them (an error raised in a callback).
    void SetInterrupted(bool interrupted) { interrupted_ = interrupted; }
    bool Interrupted() const { return interrupted_; }

    // The wait of the loop: poll() unless another one is given (one that also serves a sound
    // server's descriptors, say); it has poll()'s arguments and result.
    using PollFunction = int (*)(pollfd* fds, nfds_t count, int timeoutMs);
    void SetPollFunction(PollFunction wait) { poll_ = wait; }

    // A number that stays the same for as long as one callback of the loop (a timer's tick, an
    // fd's or a window's handler) runs without the loop running other callbacks in between,
    // and changes whenever it hands control to one or one returns; 0 outside every callback.
    // What a callback asks of the server may be kept for the rest of its turn.
    std::uint64_t CallbackTurn() const { return callbackDepth_ > 0 ? callbackTurn_ : 0; }

  private:
    struct Watch {
        int fd;
        short events;
        std::shared_ptr<std::function<void(short)>> ready;
    };

    void RunDueTimers();
    // `read`: the connection is read for events that have arrived; without it only those
    // already read are taken (after a poll that found nothing to read: no read would).
    void DispatchPendingEvents(bool read = true);
    void Dispatch(const XEvent& event);
    // Whether the X connection has something to read.
    bool ServeFds(int timeoutMs);

    Connection& connection_;
    Id nextId_ = 1;
    TimerQueue<Clock::time_point, Clock::duration> timers_;
    std::map<Id, Watch> watches_;
    std::map<Window, std::shared_ptr<EventHandler>> handlers_;
    EventHandler fallback_;
    bool interrupted_ = false;
    std::uint64_t callbackTurn_ = 1;
    int callbackDepth_ = 0;
    class InCallback;
    PollFunction poll_ = &::poll;
};

} // namespace platform::x11
