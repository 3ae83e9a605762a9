// Window events, pump passes and the message loop on X11: everything is served by the one
// event loop of platform/x11 (loop.h), which sleeps in poll() until the display, the sound
// server or the next timer needs the program.
#include "platform/x11/session.h" // first: see there

#include "platform/messages.h"

#include <unistd.h>

#include <vector>

#include "platform/x11/events.h"
#include "platform/x11/xlib/close_signals.h"

namespace platform {

void SetWindowEvents(WindowHandle window, WindowEvents events) {
    if (x11::Session::Get().Find(window) != nullptr) {
        x11::Session::Get().Events().Set(window, std::move(events));
    }
}

void PumpPendingMessages() {
    x11::Session& session = x11::Session::Get();
    session.Loop().PumpPass();
    session.RethrowPending();
}

void RunMessageLoop(const std::function<bool()>& done) {
    x11::Session& session = x11::Session::Get();
    for (;;) {
        session.RethrowPending();
        if (done && done()) {
            return;
        }
        session.Loop().WaitAndPump();
    }
}

namespace detail {

// The modal loops (a menu, a drag, a message box) end as soon as their loop is interrupted.
void EndModalLoops() {
    x11::Session::Get().Loop().SetInterrupted(true);
}

} // namespace detail
} // namespace platform

namespace platform::x11 {

void DeliverButton(WindowHandle window, const ButtonEvent& event) {
    FormWindow* form = Session::Get().Find(window);
    if (form == nullptr || !event.pressed) {
        return;
    }
    form->lastPress = event;
    // Held while it runs: the event may remove the window's events, or the window.
    std::shared_ptr<const WindowEvents> events = Session::Get().Events().Find(window);
    if (!events) {
        return;
    }
    const std::function<void(const ButtonPress&)>& handler =
        event.doubleClick ? events->doubleClick : events->buttonDown;
    if (!handler) {
        return;
    }
    ButtonPress press;
    press.button = event.button == x11::MouseButton::Left    ? platform::MouseButton::Left
                   : event.button == x11::MouseButton::Right ? platform::MouseButton::Right
                                                             : platform::MouseButton::Middle;
    press.shift = event.shift;
    press.control = event.control;
    press.x = Session::Get().ToProgram(event.window.x);
    press.y = Session::Get().ToProgram(event.window.y);
    GuardCallback([&] { handler(press); });
}

namespace {

// Whether a request to end has been handed to the program already.
bool endRequested = false;

// A second request to end, while the program is still busy with the first, ends it at once:
// the user or the session has asked twice. The servers let go of the program's window, its
// selection and its sound stream when its connections close.
void EndAtOnceIfRequestedBefore() {
    if (endRequested) {
        _exit(0);
    }
    endRequested = true;
}

} // namespace

void DeliverCloseRequest(WindowHandle window) {
    // Held while it runs: the event may remove the window's events, or the window.
    std::shared_ptr<const WindowEvents> events = Session::Get().Events().Find(window);
    if (!events || !events->closeRequest) {
        return;
    }
    EndAtOnceIfRequestedBefore();
    GuardCallback([&] { events->closeRequest(); });
}

void DeliverEndSignal(int signal) {
    std::vector<std::shared_ptr<const WindowEvents>> takers;
    for (WindowHandle window : Session::Get().Windows()) {
        std::shared_ptr<const WindowEvents> events = Session::Get().Events().Find(window);
        if (Session::Get().Find(window)->window->Visible() && events && events->sessionEnd) {
            takers.push_back(events);
        }
    }
    if (takers.empty()) {
        CloseSignals::EndBy(signal);
    }
    EndAtOnceIfRequestedBefore();
    for (const std::shared_ptr<const WindowEvents>& events : takers) {
        GuardCallback([&] { events->sessionEnd(); });
    }
}

} // namespace platform::x11
