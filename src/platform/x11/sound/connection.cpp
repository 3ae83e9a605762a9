#include "platform/x11/sound/connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <utility>
#include <vector>

#include "platform/x11/sound/sound_poll.h"

namespace platform::pulse {
namespace {

using Clock = std::chrono::steady_clock;

// How long the first sound to load waits for the server to answer: at start-up only, and only
// a server that accepts the connection and then says nothing takes that long (without one,
// connecting fails at once).
constexpr std::chrono::milliseconds kConnectWait{2000};
// How often a server that has gone away is looked for again.
constexpr std::chrono::seconds kRevivalInterval{3};

// The process's connection while anything holds it: what PollWithSound waits on.
std::weak_ptr<Connection>& Current() {
    static std::weak_ptr<Connection> current;
    return current;
}

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

} // namespace

Connection::Connection() : loop_(pa_mainloop_new()) {
    pa_mainloop_set_poll_func(loop_, &Connection::PollTogether, this);
}

Connection::~Connection() {
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_mainloop_free(loop_);
}

std::shared_ptr<Connection> Connection::Open() {
    std::shared_ptr<Connection> connection = Current().lock();
    if (!connection) {
        connection.reset(new Connection);
        Current() = connection;
    }
    if (!connection->Ready()) {
        connection->Connect();
        const auto deadline = Clock::now() + kConnectWait;
        while (connection->Active() && !connection->Ready() && Clock::now() < deadline) {
            connection->Poll(nullptr, 0, RemainingMs(deadline));
        }
    }
    return connection->Ready() ? connection : nullptr;
}

void Connection::Connect() {
    if (Active()) {
        return; // connected, or on the way
    }
    if (context_) {
        // A failed context stays failed: its streams have ended with it.
        pa_context_unref(std::exchange(context_, nullptr));
    }
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "Desktop Jellop");
    // No autospawn: a pet does not start a sound server of its own; without one it is silent.
    if (context_) {
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }
}

void Connection::Revive() {
    if (Active() || Clock::now() < nextRevival_) {
        return;
    }
    nextRevival_ = Clock::now() + kRevivalInterval;
    Connect();
}

bool Connection::Ready() const {
    return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool Connection::Active() const {
    return context_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
}

void Connection::NeedPromptService(bool more) {
    prompt_ += more ? 1 : -1;
}

int Connection::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    callerFds_ = fds;
    callerCount_ = count;
    callerReady_ = 0;
    callerErrno_ = 0;
    polled_ = false;
    const int timeoutUs = timeoutMs < 0 || timeoutMs > INT_MAX / 1000 ? -1 : timeoutMs * 1000;
    // The main loop skips the poll in a pass that has deferred work to do; the caller's
    // descriptors are polled in the next pass, which follows at once.
    for (int pass = 0; pass < 2 && !polled_; ++pass) {
        if (pa_mainloop_prepare(loop_, timeoutUs) < 0) {
            break;
        }
        if (pa_mainloop_poll(loop_) < 0) {
            return -1; // errno from poll()
        }
        pa_mainloop_dispatch(loop_);
    }
    callerFds_ = nullptr;
    callerCount_ = 0;
    errno = callerErrno_; // dispatching may have changed it
    return callerReady_;
}

// The main loop's poll: the server's descriptors and the caller's in one poll(). When no
// stream needs prompt service, the wait is for the caller's descriptors and the timeout alone,
// and what the server has sent meanwhile is then looked at without waiting.
int Connection::PollTogether(pollfd* soundFds, unsigned long soundCount, int timeoutMs,
                             void* userdata) {
    auto& self = *static_cast<Connection*>(userdata);
    self.polled_ = true;
    std::vector<pollfd> all(soundFds, soundFds + soundCount);
    all.insert(all.end(), self.callerFds_, self.callerFds_ + self.callerCount_);
    int result = 0;
    if (self.prompt_ > 0 || !self.Ready()) {
        result = ::poll(all.data(), all.size(), timeoutMs);
    } else {
        result = ::poll(all.data() + soundCount, self.callerCount_, timeoutMs);
        if (result >= 0) {
            result = ::poll(all.data(), soundCount, 0);
        }
    }
    if (result < 0) {
        self.callerReady_ = -1;
        self.callerErrno_ = errno;
        return result;
    }
    int soundReady = 0;
    for (unsigned long i = 0; i < soundCount; ++i) {
        soundFds[i].revents = all[i].revents;
        soundReady += all[i].revents != 0;
    }
    for (nfds_t i = 0; i < self.callerCount_; ++i) {
        self.callerFds_[i].revents = all[soundCount + i].revents;
        self.callerReady_ += all[soundCount + i].revents != 0;
    }
    return soundReady;
}

int PollWithSound(pollfd* fds, nfds_t count, int timeoutMs) {
    if (auto connection = Current().lock(); connection && connection->Active()) {
        return connection->Poll(fds, count, timeoutMs);
    }
    return ::poll(fds, count, timeoutMs);
}

} // namespace platform::pulse
