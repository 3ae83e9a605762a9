// An ordinary application window of the test's own, standing for the user's editor beside the
// pet: it has the keyboard focus the way a user's window has it on the desktop at hand, and
// counts every key that reaches it. A window manager places and focuses it like any other
// window; without one, X's default lets the keyboard follow the pointer.
#pragma once

#include <X11/Xlib.h>

#include "harness.h"

namespace e2e {

class Witness {
  public:
    // A white window at `place`, mapped and given the keyboard focus; `managed`: a window
    // manager runs.
    Witness(const Geometry& place, bool managed);
    ~Witness();
    Witness(const Witness&) = delete;
    Witness& operator=(const Witness&) = delete;

    ::Window Id() const { return window_; }
    // Keys pressed in it since it was made.
    int KeysReceived();
    // Raises it to the top of its layer, as a click on it does on a managed desktop.
    void Raise();
    // Asks for the keyboard focus: of the window manager when one runs, else of X directly.
    void TakeFocus();
    // Asks the window manager to show it full screen.
    void FullScreen();

  private:
    ::Display* display_;
    bool managed_;
    ::Window window_ = 0;
    int keys_ = 0;
};

} // namespace e2e
