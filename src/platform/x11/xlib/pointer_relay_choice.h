// Where the pointer is read from, chosen once at start, and how a relayed position becomes a
// position on the X screen. No bus and no display here: the choice and the mapping only.
//
// On an X11 session the X server knows the pointer everywhere. On a Wayland session the program
// is an X client of Xwayland, which sees the pointer only while it is over an X window; the
// compositor's own position comes through a relay when one is there: a KWin script the program
// loads itself, or the GNOME Shell extension of the project once the user has enabled it.
#pragma once

#include <string>

namespace platform::x11 {

enum class PointerSource {
    X,              // XQueryPointer
    KWinScript,     // the program's KWin script calls the program on each pointer motion
    ShellExtension, // the GNOME Shell extension does the same
};

// What the program finds at start.
struct SessionFacts {
    std::string waylandDisplay;  // $WAYLAND_DISPLAY
    std::string sessionType;     // $XDG_SESSION_TYPE
    std::string relaySetting;    // $JELLOP_POINTER_RELAY: "off" keeps X
    bool sessionBus = false;     // the session bus was reached
    bool kwin = false;           // org.kde.KWin has an owner
    bool gnomeShell = false;     // org.gnome.Shell has an owner
    bool shellExtension = false; // the extension's name has an owner
    int shellVersion = 0;        // GNOME Shell's major version (0: unknown)
};

struct PointerChoice {
    PointerSource source = PointerSource::X;
    // The one line said on standard error when the pet follows the pointer only over X
    // windows on a Wayland session; empty otherwise.
    std::string notice;
};

bool IsWaylandSession(const SessionFacts& facts);
PointerChoice ChoosePointerSource(const SessionFacts& facts);
// The GNOME Shell extension of the project in the form a shell of that major version loads.
const char* ShellExtensionUuid(int shellVersion);
// The line said when the chosen relay could not be started after all (KWin refused the
// script, say), with the reason.
std::string RelayFailedNotice(PointerSource source, const std::string& reason);

// The compositor's logical layout as the relay gives it: the bounding box of the outputs.
struct LogicalArea {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct ScreenPoint {
    int x;
    int y;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// A relayed position in the X screen's pixels. Xwayland's root spans the compositor's logical
// layout: at scale 1, and at scale 2 when the compositor scales X clients' windows itself, one
// X pixel is one logical pixel; when X clients draw at the outputs' scale, the root is that
// many times larger. The factor is read off the sizes (root width over logical width), each
// axis on its own, and the point kept inside the root.
ScreenPoint MapToScreen(double x, double y, const LogicalArea& area, int rootWidth, int rootHeight);

} // namespace platform::x11
