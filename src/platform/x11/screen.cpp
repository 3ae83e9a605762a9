#include "platform/x11/screen.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform::x11 {

double ScreenDpi(Connection& connection) {
    constexpr double kDefaultDpi = 96.0;
    // The database the server holds now (XResourceManagerString would give the one read when
    // the display was opened).
    std::optional<std::string> text =
        connection.ReadBytes(connection.Root(), XA_RESOURCE_MANAGER, XA_STRING);
    if (!text) {
        return kDefaultDpi;
    }
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(text->c_str());
    if (database == nullptr) {
        return kDefaultDpi;
    }
    double dpi = kDefaultDpi;
    char* valueType = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &valueType, &value) &&
        value.addr != nullptr) {
        char* end = nullptr;
        double parsed = std::strtod(value.addr, &end);
        if (end != value.addr && parsed > 0.0 && parsed < 10000.0) {
            dpi = parsed;
        }
    }
    XrmDestroyDatabase(database);
    return dpi;
}

int ScaleForDpi(double dpi) {
    return std::max(1, static_cast<int>(std::floor(dpi / 96.0 + 0.5)));
}

ScreenSize ScreenSizeInPixels(const Connection& connection) {
    ::Display* display = connection.Get();
    return {DisplayWidth(display, connection.ScreenNumber()),
            DisplayHeight(display, connection.ScreenNumber())};
}

} // namespace platform::x11
