#include "platform/app.h"

#include "platform/fake/fake_app.h"

namespace platform {
namespace {

constexpr const char* kDefaultPath = "C:\\Program Files\\Jellop\\jellop.exe";

struct AppState {
    std::string path = kDefaultPath;
    std::vector<fake::ShownMessageBox> boxes;
    std::uint32_t now = 0;
};

// Never destroyed: the sound buffers in the program's globals read the clock when they are
// released, which may be after every other static is gone.
AppState& State() {
    static AppState* state = new AppState;
    return *state;
}

} // namespace

std::string ExecutablePath() {
    return State().path;
}

void MessageBox(const std::string& text, const std::string& title) {
    State().boxes.push_back({text, title});
}

std::uint32_t TickCount() {
    return State().now;
}

void Sleep(std::uint32_t milliseconds) {
    fake::AdvanceClock(milliseconds);
}

namespace fake {

void SetExecutablePath(std::string path) {
    State().path = std::move(path);
}

const std::vector<ShownMessageBox>& MessageBoxes() {
    return State().boxes;
}

void AdvanceClock(std::uint32_t milliseconds) {
    State().now += milliseconds;
}

void ResetApp() {
    State() = AppState{};
}

} // namespace fake
} // namespace platform
