// The screen's metrics in the program's terms: its size in pixels and the twips per pixel of
// its resolution (1440 twips to the inch).
#pragma once

#include "platform/x11/display.h"

namespace platform::x11 {

struct ScreenSize {
    int width;
    int height;
};

// The desktop's resolution in dots per inch: the resource Xft.dpi when the resource database
// sets it to a positive number (desktops set it for the fonts they scale), else 96.
double ScreenDpi(Connection& connection);

// Twips per pixel at `dpi`: 1440 / dpi, so 15 at 96 DPI.
float TwipsPerPixel(double dpi);

// The size of the connection's screen in pixels.
ScreenSize ScreenSizeInPixels(const Connection& connection);

} // namespace platform::x11
