#include "platform/x11/xlib/display.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <unistd.h>

// Last: Xlib's internals define min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace platform::x11 {

namespace {

// Xlib's handlers are per process; the errors are kept per connection.
std::mutex errorsLock;
std::map<::Display*, std::vector<XErrorRecord>> recordedErrors;

// The most errors kept for a connection: a program that never asks for them does not grow.
constexpr std::size_t kKeptErrors = 64;

int RecordError(::Display* display, XErrorEvent* event) {
    std::lock_guard lock(errorsLock);
    std::vector<XErrorRecord>& errors = recordedErrors[display];
    if (errors.size() == kKeptErrors) {
        errors.erase(errors.begin());
    }
    errors.push_back({event->error_code, event->request_code, event->resourceid});
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

// Xlib keeps the requests it has not sent yet between buffer and bufptr; _XSend with nothing
// more to add hands them to the connection. The program's X calls all come from its one
// thread, so no lock is taken.
void Connection::Send() const {
    if (display_->bufptr != display_->buffer) {
        _XSend(display_, nullptr, 0);
    }
}

bool Connection::WaitForWindowEvent(Window window, int type, std::chrono::milliseconds timeout,
                                    XEvent& event) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Each check reads what has arrived without blocking; poll() sleeps until more does.
    while (!XCheckTypedWindowEvent(display_, window, type, &event)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd connection{Fd(), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
    return true;
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

namespace {

// The property as XGetWindowProperty gives it, freed with the object.
struct RawProperty {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;

    RawProperty(::Display* display, Window window, Atom property, Atom wanted) {
        constexpr long kMaxLongs = 1L << 20;
        unsigned long after = 0;
        if (XGetWindowProperty(display, window, property, 0, kMaxLongs, False, wanted, &type,
                               &format, &count, &after, &data) != Success) {
            data = nullptr;
            type = None;
        }
    }
    ~RawProperty() {
        if (data != nullptr) {
            XFree(data);
        }
    }
    RawProperty(const RawProperty&) = delete;
    RawProperty& operator=(const RawProperty&) = delete;
};

} // namespace

std::optional<std::vector<unsigned long>> Connection::ReadLongs(Window window, Atom property,
                                                                Atom type) {
    RawProperty raw(display_, window, property, type);
    if (raw.type != type || raw.format != 32) {
        return std::nullopt;
    }
    // Xlib hands 32-bit items over as longs.
    const auto* items = reinterpret_cast<const unsigned long*>(raw.data);
    std::vector<unsigned long> values;
    for (unsigned long i = 0; i < raw.count; ++i) {
        values.push_back(items[i] & 0xFFFFFFFFUL);
    }
    return values;
}

std::optional<std::string> Connection::ReadBytes(Window window, Atom property, Atom type) {
    RawProperty raw(display_, window, property, type);
    if (raw.type != type || raw.format != 8) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(raw.data), raw.count);
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
