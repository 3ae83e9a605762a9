// The program's connection to the PulseAudio server: a pa_context on a pa_mainloop that is
// driven only from the program's own loop (PollWithSound). One per process: every device and
// buffer shares it, and keeps it alive.
#pragma once

#include <poll.h>
#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <chrono>
#include <memory>

namespace platform::pulse {

class Connection {
  public:
    // The process's connection, made now if there is none that still works, waiting a moment
    // for the server to answer; nothing when there is no server or it does not answer.
    static std::shared_ptr<Connection> Open();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    pa_context* Context() const { return context_; }
    // False while there is no server to play to: it has gone away, refused the connection, or
    // is being reached again.
    bool Ready() const;
    // When the server has gone away, starts reaching it again without waiting, at most every
    // few seconds: a server that comes back (one restarted by the desktop) is played to again.
    void Revive();

    // True while connected or connecting: the main loop has work to do.
    bool Active() const;

    // One wait of the program's loop: see PollWithSound.
    int Poll(pollfd* fds, nfds_t count, int timeoutMs);

    // While some stream needs the server's requests answered promptly (one being made, one
    // with more of its sound to give), each wait of the loop wakes for the server. Otherwise
    // the server's replies (to a cork, a flush, the end of a drain) wait, already in the
    // socket, until the program wakes for its own reasons: a pet that plays a short sound
    // every 400 ms is not woken half a dozen times more for each.
    void NeedPromptService(bool more);

  private:
    Connection();
    // Starts connecting, on a fresh context if the last one has failed.
    void Connect();
    static int PollTogether(pollfd* soundFds, unsigned long soundCount, int timeoutMs, void* self);

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    std::chrono::steady_clock::time_point nextRevival_;
    // The caller's descriptors during Poll, polled together with the server's.
    pollfd* callerFds_ = nullptr;
    nfds_t callerCount_ = 0;
    int callerReady_ = 0;
    int callerErrno_ = 0;
    bool polled_ = false;
    int prompt_ = 0; // the streams that need prompt service
};

} // namespace platform::pulse
