// A Wine program that does nothing until it is killed. It owns a message-only window, which
// brings up Wine's desktop process, and keeps pumping its messages so that no broadcast waits
// on it. While it runs, Wine's helper processes stay up with its /dev/null output, so a test
// program neither starts them (and hands them its output pipe, which keeps CTest waiting) nor
// waits for them to shut down after every run.
#include <windows.h>

int main() {
    CreateWindowExA(0, "STATIC", "JellopKeepAlive", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
