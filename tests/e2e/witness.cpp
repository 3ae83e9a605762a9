#include "witness.h"

#include <X11/Xutil.h>

#include <stdexcept>
#include <thread>

namespace e2e {

Witness::Witness(const Geometry& place, bool managed)
    : display_(XOpenDisplay(nullptr)), managed_(managed) {
    if (!display_) {
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    }
    ::Window root = DefaultRootWindow(display_);
    window_ = XCreateSimpleWindow(
        display_, root, place.x, place.y, static_cast<unsigned>(place.width),
        static_cast<unsigned>(place.height), 0, 0, WhitePixel(display_, DefaultScreen(display_)));
    XStoreName(display_, window_, "Witness");
    // Placed where it asks to be, not where the window manager would put it.
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = place.x;
    hints.y = place.y;
    hints.width = place.width;
    hints.height = place.height;
    XSetWMNormalHints(display_, window_, &hints);
    XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
    XMapWindow(display_, window_);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    XWindowAttributes attributes{};
    while (std::chrono::steady_clock::now() < deadline &&
           !(XGetWindowAttributes(display_, window_, &attributes) &&
             attributes.map_state == IsViewable)) {
        std::this_thread::sleep_for(20ms);
    }
    TakeFocus();
}

Witness::~Witness() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void Witness::TakeFocus() {
    if (!managed_) {
        // No window manager: X's own default, the keyboard follows the pointer.
        XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
        XFlush(display_);
        return;
    }
    // From a pager: the user's own choice.
    SendToWindowManager(display_, window_, "_NET_ACTIVE_WINDOW", {2, CurrentTime});
}

void Witness::FullScreen() {
    // Add the state, as the user's own choice (from a pager).
    SendToWindowManager(
        display_, window_, "_NET_WM_STATE",
        {1, static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False)), 0, 2});
}

int Witness::KeysReceived() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == KeyPress) {
            ++keys_;
        }
    }
    return keys_;
}

void Witness::Raise() {
    XRaiseWindow(display_, window_);
    XFlush(display_);
}

} // namespace e2e
