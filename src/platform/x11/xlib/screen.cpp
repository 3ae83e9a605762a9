#include "platform/x11/xlib/screen.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>


#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

bool ServedByXwayland(Connection& connection) {
    ::Display* display = connection.Get();
    int opcode = 0, eventBase = 0, errorBase = 0;
    if (XQueryExtension(display, "XWAYLAND", &opcode, &eventBase, &errorBase)) {
        return true;
    }
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return false;
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, connection.Root());
    bool xwayland = false;
    if (resources != nullptr && resources->noutput > 0) {
        if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[0])) {
            xwayland = std::string_view(output->name, static_cast<std::size_t>(output->nameLen))
                           .starts_with("XWAYLAND");
            XRRFreeOutputInfo(output);
        }
    }
    if (resources != nullptr) {
        XRRFreeScreenResources(resources);
    }
    return xwayland;
}

MonitorArea PrimaryMonitor(Connection& connection) {
    ::Display* display = connection.Get();
    ScreenSize screen = ScreenSizeInPixels(connection);
    MonitorArea area{0, 0, screen.width, screen.height};
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    // Monitors came with RandR 1.5.
    if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
        !XRRQueryVersion(display, &major, &minor) || major * 100 + minor < 105) {
        return area;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, connection.Root(), True, &count);
    bool primaryFound = false;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& monitor = monitors[i];
        const bool atOrigin = monitor.x == 0 && monitor.y == 0;
        if (monitor.width > 0 && monitor.height > 0 &&
            (monitor.primary || (atOrigin && !primaryFound))) {
            area = {monitor.x, monitor.y, monitor.width, monitor.height};
            primaryFound = primaryFound || monitor.primary;
        }
    }
    if (monitors != nullptr) {
        XRRFreeMonitors(monitors);
    }
    return area;
}

ScreenChanges::ScreenChanges(Connection& connection, EventLoop& loop, std::function<void()> changed)
    : connection_(connection), loop_(loop) {
    ::Display* display = connection.Get();
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return;
    }
    XSetWindowAttributes attributes{};
    window_ = XCreateWindow(display, connection.Root(), -1, -1, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, 0, &attributes);
    XRRSelectInput(display, window_,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    loop_.SetWindowHandler(window_, [display, eventBase,
                                     changed = std::move(changed)](const XEvent& event) {
        if (event.type == eventBase + RRScreenChangeNotify) {
            XRRUpdateConfiguration(const_cast<XEvent*>(&event)); // Xlib's idea of the size
        }
        if (event.type == eventBase + RRScreenChangeNotify || event.type == eventBase + RRNotify) {
            changed();
        }
    });
}

ScreenChanges::~ScreenChanges() {
    if (window_ != None) {
        loop_.SetWindowHandler(window_, nullptr);
        XDestroyWindow(connection_.Get(), window_);
    }
}

} // namespace platform::x11
