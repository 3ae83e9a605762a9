#include "platform/x11/display.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace platform::x11 {

namespace {

// Xlib's handlers are per process; the errors are kept per connection.
std::mutex errorsLock;
std::map<::Display*, std::vector<XErrorRecord>> recordedErrors;

int RecordError(::Display* display, XErrorEvent* event) {
    std::lock_guard lock(errorsLock);
    recordedErrors[display].push_back({event->error_code, event->request_code, event->resourceid});
    return 0;
}

// Xlib calls this when the connection breaks and ends the process if it returns. Nothing may
// use the connection any more, and the destructors of static objects would: leave at once.
int DisplayWentAway(::Display*) {
    static const char message[] = "jellop: the X display went away\n";
    ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(EXIT_SUCCESS);
}

} // namespace

std::unique_ptr<Connection> Connection::Open(const std::string& name) {
    // A write to a closed connection must come back as an IO error, not kill the process.
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        std::signal(SIGPIPE, SIG_IGN);
    }
    XSetErrorHandler(RecordError);
    XSetIOErrorHandler(DisplayWentAway);
    ::Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Connection>(new Connection(display));
}

Connection::~Connection() {
    XCloseDisplay(display_);
    std::lock_guard lock(errorsLock);
    recordedErrors.erase(display_);
}

Atom Connection::Intern(const std::string& name) {
    auto found = atoms_.find(name);
    if (found != atoms_.end()) {
        return found->second;
    }
    Atom atom = XInternAtom(display_, name.c_str(), False);
    atoms_.emplace(name, atom);
    return atom;
}

std::vector<XErrorRecord> Connection::TakeErrors() {
    std::lock_guard lock(errorsLock);
    auto found = recordedErrors.find(display_);
    if (found == recordedErrors.end()) {
        return {};
    }
    std::vector<XErrorRecord> errors = std::move(found->second);
    recordedErrors.erase(found);
    return errors;
}

} // namespace platform::x11
