// Desktop Jellop: the program entry. Everything the program does starts from the pet window's
// load event; the program ends when no window of it is loaded any more.
//
// A GUI-subsystem program with a standard main: MinGW's start-up code calls it; MSVC builds
// link with /ENTRY:mainCRTStartup.
#include "pet/forms.h"

int main() {
    return pet::RunDesktopJellop();
}
