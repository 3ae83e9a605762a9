// A Wine program that does nothing until it is killed. It brings up Wine's desktop process,
// owns a message-only window and keeps pumping its messages so that no broadcast waits on it.
// While it runs, Wine's helper processes stay up with its output, so a test program neither
// starts them (and hands them its output pipe, which keeps CTest waiting) nor waits for them to
// shut down after every run. It prints "ready" once the desktop process is up: until then a
// test program could still be the one that starts it.
#include <windows.h>

#include <cstdio>

int main() {
    GetDesktopWindow(); // returns once Wine's desktop process has started
    CreateWindowExA(0, "STATIC", "JellopKeepAlive", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
