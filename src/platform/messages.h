// Window messages: the window procedure's side (a handler per window), posting and sending,
// one pass of the pump and the program's message loop, and how an exception raised inside a
// callback reaches the code that runs the loop.
//
// No exception may unwind through the window system: every callback (window procedure, timer
// procedure) runs inside GuardCallback, which catches what it throws and keeps it as the
// pending exception. The pump pass and the message loop rethrow it as soon as the dispatch
// that raised it returns, so the error reaches whoever runs the loop, and in the end the
// program's top level.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

#include "platform/handles.h"

namespace platform {

// Message numbers and parameters of the messages the forms handle.
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmEndSession = 0x0016;
inline constexpr std::uint32_t kWmMouseActivate = 0x0021;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;
inline constexpr std::uint32_t kWmRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kWmMButtonDown = 0x0207;
inline constexpr std::uint32_t kWmMButtonUp = 0x0208;
inline constexpr std::uint32_t kWmMButtonDblClk = 0x0209;

// WM_SYSCOMMAND: SC_MOVE combined with HTCAPTION starts the window system's own move loop,
// as if the window's caption bar had been grabbed with the mouse.
inline constexpr std::uintptr_t kScMove = 0xF010;
inline constexpr std::uintptr_t kHtCaption = 2;

// WM_MOUSEACTIVATE result: leave the activation where it is.
inline constexpr std::intptr_t kMaNoActivate = 3;

// Mouse-message wParam flags (MK_*): which buttons and keys are down.
inline constexpr std::uintptr_t kMkLButton = 0x0001;
inline constexpr std::uintptr_t kMkRButton = 0x0002;
inline constexpr std::uintptr_t kMkShift = 0x0004;
inline constexpr std::uintptr_t kMkControl = 0x0008;
inline constexpr std::uintptr_t kMkMButton = 0x0010;

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// A window's message handler: the result of a message it handled, or nothing to leave the
// message to the window system's default processing.
using MessageHandler = std::function<std::optional<std::intptr_t>(const Message&)>;

// Installs (or, with an empty handler, removes) the handler of `window`. The handler is called
// inside GuardCallback; a window without one gets default processing only.
void SetMessageHandler(WindowHandle window, MessageHandler handler);

// Queues a message for `window` and returns at once; false when `window` is not a window.
bool PostMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                 std::intptr_t lParam);

// Delivers a message to `window` now and returns its result (0 when `window` is not a
// window). WM_SYSCOMMAND with SC_MOVE | HTCAPTION returns only when the move has ended.
// Rethrows an exception that a callback raised while it ran.
std::intptr_t SendMessage(WindowHandle window, std::uint32_t id, std::uintptr_t wParam,
                          std::intptr_t lParam);

// One pass of the pump: dispatches every message that is waiting, timer ticks included, and
// returns when none is left.
void PumpPendingMessages();

// Runs the message loop: dispatches messages, waiting for them when there are none, until
// `done` returns true (it is asked after every dispatched message). On the fake backend the
// wait moves the virtual clock on to the next due timer or scripted input; when nothing can
// ever happen again the loop returns instead of waiting for ever.
void RunMessageLoop(const std::function<bool()>& done);

// Runs `body`; an exception it throws becomes the pending exception instead of leaving the
// callback. Returns false when it threw. While an exception is pending, further callbacks
// are not run at all: the program is on its way out and nothing of it should act any more.
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
