// Hearing what Windows programs play: the sound probe run under Wine while the null sink is
// recorded (capture/sound_capture.h holds the recording and its measurements).
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "capture/sound_capture.h"

namespace e2e::sound {

using namespace capture::sound;
using namespace std::chrono_literals;

// The Windows program `exe` run under Wine with `arguments`, in `workingDirectory` (if given),
// with `environment` added to this process's own. Its standard output is collected; it is
// killed if it has not ended within `timeout`. Line ends in the output are plain '\n'.
struct ProgramRun {
    std::optional<int> status; // empty: timed out and killed
    std::string output;
};
ProgramRun RunUnderWine(const std::string& exe, const std::vector<std::string>& arguments,
                        const std::string& workingDirectory = {},
                        const std::map<std::string, std::string>& environment = {},
                        std::chrono::milliseconds timeout = 60s);

} // namespace e2e::sound
