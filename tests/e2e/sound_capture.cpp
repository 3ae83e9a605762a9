#include "sound_capture.h"

#include <signal.h>

#include <cstdio>

#include "harness.h"

namespace e2e::sound {

ProgramRun RunUnderWine(const std::string& exe, const std::vector<std::string>& arguments,
                        const std::string& workingDirectory,
                        const std::map<std::string, std::string>& environment,
                        std::chrono::milliseconds timeout) {
    std::vector<std::string> command = {"wine", exe};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string output = capture::TempFile("jellop-probe-output");
    int pid = StartProcess(command, output, workingDirectory, environment);
    ProgramRun run;
    run.status = WaitForProcess(pid, timeout);
    if (!run.status) {
        kill(-pid, SIGKILL);
        WaitForProcess(pid, 5s);
    }
    for (char c : capture::ReadFile(output)) {
        if (c != '\r') { // the C run-time writes text-mode line ends
            run.output += c;
        }
    }
    std::remove(output.c_str());
    return run;
}

} // namespace e2e::sound
