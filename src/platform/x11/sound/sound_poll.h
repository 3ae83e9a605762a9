// The sound's part in the program's one event loop. Sound through PulseAudio runs on the
// program's own thread: the connection to the sound server is a pa_mainloop that never runs by
// itself, and the loop waits on it with its own descriptors (the X connection) through this call
// instead of poll(). Without a sound server, or before the first sound is loaded, it is poll().
#pragma once

#include <poll.h>

namespace platform::pulse {

// Waits, as poll() does, until one of `fds` is ready or `timeoutMs` has passed (-1: no limit;
// 0: only looks), and handles whatever the sound server has sent or asked for in the meantime
// (more samples for a playing sound, the end of a sound). The revents of `fds` are set; the
// result is the number of `fds` with events, 0 on timeout, or -1 with errno (EINTR) as from
// poll(). It may return 0 before the timeout when the sound server needed attention: the
// caller goes round its loop again, as it does on a timeout.
int PollWithSound(pollfd* fds, nfds_t count, int timeoutMs);

} // namespace platform::pulse
