#include "platform/x11/ewmh.h"

#include <X11/Xatom.h>

#include <vector>

namespace platform::x11 {

namespace {

// The first value of the 32-bit `property` of `window` of `type`, if it has one.
bool ReadFirstLong(Connection& connection, Window window, Atom property, Atom type,
                   unsigned long& value) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    int status = XGetWindowProperty(connection.Get(), window, property, 0, 1, False, type,
                                    &actualType, &format, &count, &after, &data);
    bool found = status == Success && actualType == type && format == 32 && count == 1;
    if (found) {
        value = reinterpret_cast<unsigned long*>(data)[0];
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

} // namespace

bool WindowManagerRuns(Connection& connection) {
    Atom check = connection.Intern("_NET_SUPPORTING_WM_CHECK");
    unsigned long child = 0;
    if (!ReadFirstLong(connection, connection.Root(), check, XA_WINDOW, child)) {
        return false;
    }
    unsigned long self = 0;
    // A stale id names no window: the request fails with BadWindow, recorded and dropped.
    bool alive = ReadFirstLong(connection, child, check, XA_WINDOW, self);
    connection.Sync();
    connection.TakeErrors();
    return alive && self == child;
}

bool WindowManagerSupports(Connection& connection, const std::string& atom) {
    Atom wanted = connection.Intern(atom);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(connection.Get(), connection.Root(), connection.Intern("_NET_SUPPORTED"),
                           0, 4096, False, XA_ATOM, &actualType, &format, &count, &after,
                           &data) == Success &&
        actualType == XA_ATOM && format == 32) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count && !found; ++i) {
            found = atoms[i] == wanted;
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

void SetAtomList(Connection& connection, Window window, const std::string& property,
                 std::span<const char* const> names) {
    std::vector<Atom> atoms;
    for (const char* name : names) {
        atoms.push_back(connection.Intern(name));
    }
    XChangeProperty(connection.Get(), window, connection.Intern(property), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
}

void SetCardinal(Connection& connection, Window window, const std::string& property,
                 unsigned long value) {
    XChangeProperty(connection.Get(), window, connection.Intern(property), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
}

void SetNoDecorations(Connection& connection, Window window) {
    // flags (MWM_HINTS_DECORATIONS), functions, decorations (none), input mode, status
    constexpr unsigned long kDecorationsFlag = 1UL << 1;
    const unsigned long hints[5] = {kDecorationsFlag, 0, 0, 0, 0};
    Atom property = connection.Intern("_MOTIF_WM_HINTS");
    XChangeProperty(connection.Get(), window, property, property, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(hints), 5);
}

void SendToRoot(Connection& connection, Window window, const std::string& messageType,
                const long (&data)[5]) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = connection.Intern(messageType);
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) {
        event.xclient.data.l[i] = data[i];
    }
    XSendEvent(connection.Get(), connection.Root(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace platform::x11
