#include "platform/x11/screen.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cstdlib>
#include <cstring>

namespace platform::x11 {

double ScreenDpi(Connection& connection) {
    constexpr double kDefaultDpi = 96.0;
    // The string the server holds now (XResourceManagerString would give the one read when
    // the display was opened).
    Atom property = connection.Intern("RESOURCE_MANAGER");
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(connection.Get(), connection.Root(), property, 0, 1L << 20, False,
                           XA_STRING, &type, &format, &count, &after, &data) != Success ||
        data == nullptr) {
        return kDefaultDpi;
    }
    double dpi = kDefaultDpi;
    if (type == XA_STRING && format == 8) {
        std::string text(reinterpret_cast<const char*>(data), count);
        XrmInitialize();
        XrmDatabase database = XrmGetStringDatabase(text.c_str());
        char* valueType = nullptr;
        XrmValue value{};
        if (database != nullptr &&
            XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &valueType, &value) &&
            value.addr != nullptr) {
            char* end = nullptr;
            double parsed = std::strtod(value.addr, &end);
            if (end != value.addr && parsed > 0.0 && parsed < 10000.0) {
                dpi = parsed;
            }
        }
        if (database != nullptr) {
            XrmDestroyDatabase(database);
        }
    }
    XFree(data);
    return dpi;
}

float TwipsPerPixel(double dpi) {
    return static_cast<float>(1440.0 / dpi);
}

ScreenSize ScreenSizeInPixels(const Connection& connection) {
    ::Display* display = connection.Get();
    return {DisplayWidth(display, connection.ScreenNumber()),
            DisplayHeight(display, connection.ScreenNumber())};
}

} // namespace platform::x11
