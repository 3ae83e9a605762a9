// Test controls of the fake backend's application services: the virtual clock, the
// executable's path and the message boxes shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::fake {

struct ShownMessageBox {
    std::string text;
    std::string title;
};

void SetExecutablePath(std::string path);
const std::vector<ShownMessageBox>& MessageBoxes();

// Moves the virtual clock on; Sleep does the same.
void AdvanceClock(std::uint32_t milliseconds);

// Puts the application services back to their start state.
void ResetApp();

} // namespace platform::fake
