// Desktop Jellop: the program entry. Everything the program does starts from the pet window's
// load event; the program ends when no window of it is loaded any more.
//
// A GUI-subsystem program with a standard main: MinGW's start-up code calls it; an MSVC build
// of a GUI-subsystem program looks for WinMain unless told to start from main, which the pragma
// below does.
#include "pet/forms.h"

#if defined(_MSC_VER)
#pragma comment(linker, "/ENTRY:mainCRTStartup")
#endif

int main() {
    return pet::RunDesktopJellop();
}
