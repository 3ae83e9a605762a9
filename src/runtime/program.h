// The program's top level: the forms that are loaded, the message loop that runs while any
// is, one pass of the pump for code that waits in a loop of its own, the immediate end of the
// program, and the handler of last resort for errors that nothing else traps.
#pragma once

#include <functional>

namespace runtime {

// Loaded forms register themselves; the program's message loop runs while the count is not
// zero.
void NoteFormLoaded();
void NoteFormUnloaded();
int LoadedFormCount();

// One pass of the message pump: everything waiting is dispatched (timer ticks, mouse events,
// close requests) and control comes back. An error raised by a handler meanwhile is raised
// here.
void DoEvents();

// Dispatches messages until no form is loaded any more.
void RunMessageLoop();

// Thrown by End: the program stops at once, with no unload processing. Not an error.
struct ProgramEnd {};
[[noreturn]] void End();

// Runs the program: `start` (which loads the first form), then the message loop until no form
// is loaded. An error that reaches this level shows its message in a message box under the
// program's title and ends the program. Returns the process exit code: 0 after a normal end
// or End, 1 after an error.
int RunProgram(const std::function<void()>& start);

} // namespace runtime
