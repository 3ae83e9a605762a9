#include "platform/x11/xlib/ewmh.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace platform::x11 {

bool WindowManagerRuns(Connection& connection) {
    Atom check = connection.Intern("_NET_SUPPORTING_WM_CHECK");
    std::optional<std::vector<unsigned long>> child =
        connection.ReadLongs(connection.Root(), check, XA_WINDOW);
    if (!child || child->size() != 1) {
        return false;
    }
    // A stale id names no window: the request fails with BadWindow, recorded and dropped.
    std::optional<std::vector<unsigned long>> self =
        connection.ReadLongs(child->at(0), check, XA_WINDOW);
    connection.Sync();
    connection.TakeErrors();
    return self && *self == *child;
}

bool WindowManagerSupports(Connection& connection, const std::string& atom) {
    Atom wanted = connection.Intern(atom);
    std::vector<unsigned long> supported =
        connection.ReadLongs(connection.Root(), connection.Intern("_NET_SUPPORTED"), XA_ATOM)
            .value_or(std::vector<unsigned long>{});
    return std::find(supported.begin(), supported.end(), wanted) != supported.end();
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
