// What the program knows of itself and of the session it runs in.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Full path of the running executable (backslashes on Windows).
std::string ExecutablePath();

// The directory of the running executable, without a trailing separator.
std::string ExecutableDirectory();

// A modal message box with an OK button only, no icon, under `title`.
void MessageBox(const std::string& text, const std::string& title);

// Milliseconds since an arbitrary start; the fake backend's virtual clock.
std::uint32_t TickCount();

// Suspends the user-interface thread; on the fake backend, advances the virtual clock.
void Sleep(std::uint32_t milliseconds);

} // namespace platform
