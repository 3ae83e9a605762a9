// The requests to end that reach the program from outside its windows: SIGTERM (the session
// ending, a service manager), SIGHUP (its terminal or session gone) and SIGINT (Ctrl+C). They
// are blocked and read from a signalfd in the event loop's one poll(), so the program's own
// shutdown runs from the loop like any other event, never inside a signal handler.
#pragma once

#include <functional>

#include "platform/x11/xlib/loop.h"

namespace platform::x11 {

class CloseSignals {
  public:
    // From now on the three signals go to `onSignal` (with the signal's number) from `loop`.
    CloseSignals(EventLoop& loop, std::function<void(int signal)> onSignal);
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Ends the program as `signal` would have without this (its default action).
    [[noreturn]] static void EndBy(int signal);

  private:
    EventLoop& loop_;
    int fd_ = -1;
    EventLoop::Id watch_ = 0;
};

} // namespace platform::x11
