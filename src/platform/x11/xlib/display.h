// The connection to the X server: opened once, with the two error handlers every X program
// needs. An X error (a request on a window that has just vanished, say) is recorded and the
// program goes on; the display going away (the X server ends, the session closes) ends the
// program at once and cleanly, with a line on standard error and exit status 0, since nothing
// can be shown any more.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::x11 {

// One failed request, as the server reported it.
struct XErrorRecord {
    unsigned char errorCode;   // BadWindow, BadMatch, ...
    unsigned char requestCode; // the major opcode of the request that failed
    unsigned long resource;    // the window or other resource it named
};

class Connection {
  public:
    // Opens the display `name` ($DISPLAY when empty); null when it cannot be opened.
    static std::unique_ptr<Connection> Open(const std::string& name = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ::Display* Get() const { return display_; }
    int ScreenNumber() const { return DefaultScreen(display_); }
    Window Root() const { return RootWindow(display_, ScreenNumber()); }
    int Fd() const { return ConnectionNumber(display_); }

    // The atom `name`, interned once per connection.
    Atom Intern(const std::string& name);

    // Sends the requests buffered so far, if any, without reading what the server has sent
    // meanwhile (XFlush reads too: twice a call, mostly for nothing, on every frame).
    void Send() const;

    // Waits until the server has handled every request sent so far (their errors recorded).
    void Sync() const { XSync(display_, False); }

    // Takes the next event of `type` for `window` out of the queue, waiting for it at most
    // `timeout`; other events stay queued in their order. False when none came in time.
    bool WaitForWindowEvent(Window window, int type, std::chrono::milliseconds timeout,
                            XEvent& event);

    // The 32-bit items of `property` of `window`, if it has the type `type` (none otherwise,
    // a window that has gone included).
    std::optional<std::vector<unsigned long>> ReadLongs(Window window, Atom property, Atom type);
    // The bytes of the 8-bit `property` of `window`, if it has the type `type`.
    std::optional<std::string> ReadBytes(Window window, Atom property, Atom type);

    // The errors recorded on this connection since the last call (the last 64), oldest first.
    std::vector<XErrorRecord> TakeErrors();

  private:
    explicit Connection(::Display* display) : display_(display) {}

    ::Display* display_;
    std::map<std::string, Atom> atoms_;
};

} // namespace platform::x11
