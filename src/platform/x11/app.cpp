// The program and its session on X11: its path, the message box of platform/x11
// (messagebox.h), which also writes the text to standard error, and time.
#include "platform/x11/session.h" // first: see there

#include "platform/app.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>

namespace platform {

std::string ExecutablePath() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

void MessageBox(const std::string& text, const std::string& title) {
    x11::Session& session = x11::Session::Get();
    x11::OwnPopup popup;
    x11::ShowMessageBox(session.GetConnection(), session.Loop(), session.GetPainter(), title, text);
}

std::uint32_t TickCount() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now() - start).count());
}

void Sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform
