// Child processes and files for the tests that run programs and tools (Wine, parec) and watch
// them from outside.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace capture {

// Starts `command` (looked up in PATH) in a process group of its own, in `workingDirectory` if
// given and with `environment` added to this process's own; its standard input and error are
// /dev/null, its standard output goes to `outputFile` (/dev/null if empty). A file, not a pipe:
// Wine's helper processes inherit the descriptor and would hold a pipe open long after the
// program has ended. Returns the process id, which is also the group id.
int StartProcess(const std::vector<std::string>& command, const std::string& outputFile = {},
                 const std::string& workingDirectory = {},
                 const std::map<std::string, std::string>& environment = {});

// Waits up to `timeout` for process `pid` to end: its exit status (128 + the signal number when
// a signal ended it), or nothing if it still runs.
std::optional<int> WaitForProcess(int pid, std::chrono::milliseconds timeout);

// A new empty file under /tmp whose name starts with `stem`.
std::string TempFile(const char* stem);

// The whole content of a file (empty if it cannot be read).
std::string ReadFile(const std::string& path);

} // namespace capture
