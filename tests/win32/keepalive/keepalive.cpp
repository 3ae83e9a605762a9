// A Wine program that does nothing until it is killed. While it runs, Wine's helper
// processes stay up, so each test program starts in a fraction of a second instead of
// waiting for them to shut down after every run.
#include <windows.h>

int main() {
    for (;;) {
        Sleep(INFINITE);
    }
}
