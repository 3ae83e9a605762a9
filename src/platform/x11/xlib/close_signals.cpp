#include "platform/x11/xlib/close_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace platform::x11 {

namespace {

sigset_t CloseSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

CloseSignals::CloseSignals(EventLoop& loop, std::function<void(int signal)> onSignal)
    : loop_(loop) {
    const sigset_t set = CloseSignalSet();
    // Blocked, the signals wait in the descriptor instead of ending the program.
    sigprocmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) {
        sigprocmask(SIG_UNBLOCK, &set, nullptr); // no descriptor: they keep their default
        return;
    }
    watch_ = loop_.AddFd(fd_, POLLIN, [this, onSignal = std::move(onSignal)](short) {
        signalfd_siginfo info;
        while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            onSignal(static_cast<int>(info.ssi_signo));
        }
    });
}

CloseSignals::~CloseSignals() {
    if (fd_ >= 0) {
        loop_.RemoveFd(watch_);
        close(fd_);
    }
}

void CloseSignals::EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    raise(signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr); // the pending signal ends the program here
    std::_Exit(128 + signal);
}

} // namespace platform::x11
