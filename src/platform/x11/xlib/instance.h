// Single instance per display: the first copy of the program owns the selection
// _JELLOP_S<screen>, as ICCCM managers own theirs (compositors _NET_WM_CM_S<screen>). The
// server gives it up when the owner's window goes, the program ending or crashing included.
// Another client may take the selection by force; when that client's window goes, the claim is
// taken back, so that the copy still running stays the only one.
#pragma once

#include <X11/Xlib.h>

#include <memory>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/loop.h"

namespace platform::x11 {

class InstanceClaim {
  public:
    // Claims the selection for this copy; null when another copy owns it already. The loop
    // answers other clients' requests for the selection's contents (with none).
    static std::unique_ptr<InstanceClaim> Claim(Connection& connection, EventLoop& loop);
    // The same for the selection `selection` (another program's single-instance name).
    static std::unique_ptr<InstanceClaim> Claim(Connection& connection, EventLoop& loop,
                                                Atom selection);
    ~InstanceClaim();
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;

    // Whether this copy owns the selection now.
    bool Owns() const;

  private:
    InstanceClaim(Connection& connection, EventLoop& loop, Window owner, Atom selection)
        : connection_(connection), loop_(loop), owner_(owner), selection_(selection) {}

    void HandleEvent(const XEvent& event);
    // The selection went to another client: its window is watched, and the selection taken
    // back once it has gone (at once if it has gone already).
    void WatchTaker();
    void StopWatching();

    Connection& connection_;
    EventLoop& loop_;
    Window owner_;
    Atom selection_;
    Window taker_ = None; // the window that took the selection, while it is watched
};

// The selection's name for the connection's screen.
Atom InstanceSelection(Connection& connection);

} // namespace platform::x11
