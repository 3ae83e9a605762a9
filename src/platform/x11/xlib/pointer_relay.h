// The compositor's pointer position on a Wayland session, relayed over the session bus (see
// pointer_relay_choice.h for when). The program owns the bus name org.desktopjellop.Pet and
// answers the method org.desktopjellop.Pointer.Moved(x, y, areaX, areaY, areaWidth,
// areaHeight) at /org/desktopjellop/Pet, which the relay calls on each motion of the pointer in
// the compositor's logical coordinates. The last position is kept: a walk tick reads it
// without any round trip. The bus's descriptor is one more descriptor of the program's one
// poll().
//
// KDE Plasma: the program loads its own KWin script (jellop-kwin-pointer.js, beside the
// program's file) at start and unloads it at exit; a script left by a program that was killed
// calls a name nobody owns until the next start replaces it. GNOME Shell: the extension
// jellop-pointer@desktopjellop.org (45 and later; jellop-pointer-43@... for 43 and 44) calls the
// program while the program's name is on the bus.
#pragma once

#include <memory>
#include <optional>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/pointer.h"
#include "platform/x11/xlib/pointer_relay_choice.h"

namespace platform::x11 {

class PointerRelay {
  public:
    // Chooses where the pointer comes from, says on standard error when it is X alone on a
    // Wayland session, and starts the relay if there is one. Reads the environment.
    static std::unique_ptr<PointerRelay> Start(Connection& connection, EventLoop& loop);
    ~PointerRelay(); // unloads the KWin script
    PointerRelay(const PointerRelay&) = delete;
    PointerRelay& operator=(const PointerRelay&) = delete;

    PointerSource Source() const;
    // The last relayed position on the X screen; none while nothing came (X is asked then).
    std::optional<Point> Position() const;

    struct Bus;

  private:
    PointerRelay(Connection& connection, EventLoop& loop);
    Connection& connection_;
    EventLoop& loop_;
    std::unique_ptr<Bus> bus_;
};

} // namespace platform::x11
