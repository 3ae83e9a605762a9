#include "x11/x11_test.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <poll.h>

#include <cstdlib>

#include "platform/x11/xlib/ewmh.h"

namespace x11test {

Observer::Observer() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) {
        std::fprintf(stderr, "no X display: run the tests inside scripts/env.sh's jellop_start\n");
        std::abort();
    }
}

Observer::~Observer() {
    XCloseDisplay(display_);
}

std::vector<XRectangle> Observer::Shape(Window window, int kind) const {
    int count = 0;
    int ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display_, window, kind, &count, &ordering);
    std::vector<XRectangle> result(rects, rects + count);
    if (rects != nullptr) {
        XFree(rects);
    }
    return result;
}

std::vector<unsigned long> Observer::Longs(Window window, const char* property) const {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> result;
    if (XGetWindowProperty(display_, window, Intern(property), 0, 1024, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            result.push_back(values[i] & 0xFFFFFFFFUL); // Xlib widens 32-bit items to long
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return result;
}

bool Observer::HasAtom(Window window, const char* property, const char* atom) const {
    Atom wanted = Intern(atom);
    for (Atom value : Atoms(window, property)) {
        if (value == wanted) {
            return true;
        }
    }
    return false;
}

platform::x11::Point Observer::Position(Window window) const {
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

bool Observer::Viewable(Window window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
}

Window Observer::TopLevel(Window window) const {
    Window root = DefaultRootWindow(display_);
    for (;;) {
        Window parent = None;
        Window rootReturn = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) {
            return window;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root || parent == None) {
            return window;
        }
        window = parent;
    }
}

Window Observer::TopLevelAt(int x, int y) const {
    Window root = DefaultRootWindow(display_);
    Window child = None;
    int atX = 0;
    int atY = 0;
    XTranslateCoordinates(display_, root, root, x, y, &atX, &atY, &child);
    return child;
}

std::vector<Window> Observer::Stacking() const {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display_, DefaultRootWindow(display_), &rootReturn, &parent, &children, &count);
    std::vector<Window> result(children, children + count);
    if (children != nullptr) {
        XFree(children);
    }
    return result;
}

Window Observer::TopmostOfType(const char* type) const {
    std::vector<Window> stacking = Stacking();
    for (auto window = stacking.rbegin(); window != stacking.rend(); ++window) {
        if (!Viewable(*window)) {
            continue;
        }
        if (HasAtom(*window, "_NET_WM_WINDOW_TYPE", type)) {
            return *window;
        }
        // A managed window is a child of its frame.
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = None;
        if (XQueryTree(display_, *window, &rootReturn, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && found == None; ++i) {
                if (HasAtom(children[i], "_NET_WM_WINDOW_TYPE", type) && Viewable(children[i])) {
                    found = children[i];
                }
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (found != None) {
            return found;
        }
    }
    return None;
}

Observer::Geometry Observer::GeometryOf(Window window) const {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    platform::x11::Point at = Position(window);
    return {at.x, at.y, attributes.width, attributes.height};
}

unsigned long Observer::ScreenPixel(int x, int y) const {
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

void Observer::MovePointer(int x, int y) const {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XSync(display_, False);
}

void Observer::Button(unsigned button, bool press) const {
    XTestFakeButtonEvent(display_, button, press ? True : False, CurrentTime);
    XSync(display_, False);
}

void Observer::Key(const char* keysym, bool press) const {
    KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    XTestFakeKeyEvent(display_, code, press ? True : False, CurrentTime);
    XSync(display_, False);
}

Script::Script(platform::x11::EventLoop& loop, std::vector<std::function<bool()>> steps,
               std::function<void()> rescue)
    : loop_(loop), steps_(std::move(steps)), rescue_(std::move(rescue)),
      deadline_(std::chrono::steady_clock::now() + 30s) {
    timer_ = loop_.AddTimer(30ms, [this] {
        if (Done()) {
            return;
        }
        if (std::chrono::steady_clock::now() > deadline_) {
            rescue_();
        } else if (steps_[next_]()) {
            ++next_;
        }
    });
}

namespace {
int IgnoreXError(::Display*, XErrorEvent*) {
    return 0;
}
} // namespace

bool Observer::WindowManagerRuns() const {
    // The root names a check window that names itself while the manager runs; a manager that
    // has ended can leave the root's property behind, naming a window that is gone (reading
    // it then fails with BadWindow, ignored here).
    XSync(display_, False);
    XErrorHandler previous = XSetErrorHandler(IgnoreXError);
    std::vector<unsigned long> named =
        Longs(DefaultRootWindow(display_), "_NET_SUPPORTING_WM_CHECK");
    bool runs = named.size() == 1 && Longs(named[0], "_NET_SUPPORTING_WM_CHECK") == named;
    XSync(display_, False);
    XSetErrorHandler(previous);
    return runs;
}

bool Observer::CompositorRuns() const {
    return XGetSelectionOwner(display_, Intern("_NET_WM_CM_S0")) != None;
}

std::optional<bool> AskedForManagedDesktop() {
    const char* asked = std::getenv("JELLOP_DESKTOP");
    if (asked == nullptr || *asked == '\0') {
        return std::nullopt;
    }
    return std::string(asked) == "managed";
}

bool ManagedDesktop() {
    if (std::optional<bool> asked = AskedForManagedDesktop()) {
        return *asked;
    }
    return Observer().WindowManagerRuns();
}

void X11Test::SetUp() {
    connection_ = platform::x11::Connection::Open();
    ASSERT_NE(connection_, nullptr);
    loop_ = std::make_unique<platform::x11::EventLoop>(*connection_);
}

bool X11Test::Eventually(const std::function<bool()>& condition,
                         std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        loop_->PumpPass();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        pollfd fd{connection_->Fd(), POLLIN, 0};
        poll(&fd, 1, 10); // woken by the server, or looks again in 10 ms
    }
}

} // namespace x11test
