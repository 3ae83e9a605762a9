// The events windows report (typed pointer presses, close requests, the end of the session),
// one pass of the pump and the program's message loop, and how an exception raised inside a
// callback reaches the code that runs the loop.
//
// No exception may unwind through the window system: every callback (window event, timer)
// runs inside GuardCallback, which catches what it throws and keeps it as the
// pending exception. The pump pass and the message loop rethrow it as soon as the dispatch
// that raised it returns, so the error reaches whoever runs the loop, and in the end the
// program's top level.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "gdi/handles.h"

namespace platform {

// The pointer buttons a window reports.
enum class MouseButton { Left, Right, Middle };

// A button pressed over a window: which one, the shift keys held with it, and where, in pixels
// from the window's top-left corner.
struct ButtonPress {
    MouseButton button = MouseButton::Left;
    bool shift = false;
    bool control = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const ButtonPress&) const = default;
};

// What a window reports to the code that made it. Each event runs inside GuardCallback, from
// a pump pass, the message loop or a modal loop. An event left empty gets the window system's
// own handling: a close request without a handler destroys the window; the others do nothing.
struct WindowEvents {
    // A button went down over the window.
    std::function<void(const ButtonPress&)> buttonDown;
    // A button went down again over the window soon after the last press of the same button
    // (the second press of a double-click), in place of its buttonDown.
    std::function<void(const ButtonPress&)> doubleClick;
    // The user or the system asks the window to close.
    std::function<void()> closeRequest;
    // The session ends (log-off, shut-down): the program will not run on afterwards.
    std::function<void()> sessionEnd;
};

// Installs (or, with no events, removes) the events of `window`. A window never takes the
// keyboard focus or the activation from the user's own window by being clicked.
void SetWindowEvents(WindowHandle window, WindowEvents events);

// One pass of the pump: dispatches every message that is waiting, timer ticks included, and
// returns when none is left.
void PumpPendingMessages();

// Runs the message loop: dispatches messages, waiting for them when there are none, until
// `done` returns true (it is asked after every dispatched message). On the fake backend the
// wait moves the virtual clock on to the next due timer or scripted input; when nothing can
// ever happen again the loop returns instead of waiting for ever.
void RunMessageLoop(const std::function<bool()>& done);

// Runs `body`; an exception it throws becomes the pending exception instead of leaving the
// callback. Returns false when it threw (or did not run). While an exception is pending, further
// callbacks are not run at all: the program is on its way out and nothing of it should act any
// more.
bool GuardCallback(const std::function<void()>& body);

// True while an exception waits to be rethrown.
bool ExceptionPending();

// Rethrows the pending exception, if there is one, and clears it.
void RethrowPendingException();

// From now on no callback body runs at all: the program is ending (its top level calls this
// before it shows an error), and nothing of it may act any more, not even while the message
// box runs its own message loop.
void StopCallbacks();

} // namespace platform

namespace platform::detail {

// Backend hook, called when GuardCallback has caught an exception: ends the window system's
// modal loops (a menu being tracked, a move under way) so that control gets back to the code
// that can rethrow it.
void EndModalLoops();

// Forgets the pending exception and lets callbacks run again (for the tests of the fake
// backend, which run many programs in one process).
void ResetCallbackState();

} // namespace platform::detail
