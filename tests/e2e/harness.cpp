#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace e2e {

std::string WindowsBuildPath(const std::string& relative) {
    const char* dir = std::getenv("JELLOP_WINDOWS_BUILD");
    return std::string(dir && *dir ? dir : JELLOP_WINDOWS_BUILD_DIR) + "/" + relative;
}

PetProgram ProgramUnderTest() {
    const char* named = std::getenv("JELLOP_E2E_PROGRAM");
    std::string program = named && *named ? named : JELLOP_E2E_PROGRAM_DEFAULT;
    if (program == "native") {
        return PetProgram::Native;
    }
    if (program != "windows") {
        throw std::runtime_error("JELLOP_E2E_PROGRAM is \"" + program + "\": windows or native");
    }
    return PetProgram::Windows;
}

std::vector<std::string> PetCommand() {
    std::string program = WindowsBuildPath("jellop.exe");
    if (ProgramUnderTest() == PetProgram::Native) {
        const char* set = std::getenv("JELLOP_NATIVE_PROGRAM");
        program = set && *set ? set : JELLOP_NATIVE_PROGRAM_DEFAULT;
    }
    if (access(program.c_str(), R_OK) != 0) {
        throw std::runtime_error("no pet program at " + program);
    }
    if (ProgramUnderTest() == PetProgram::Native) {
        return {program};
    }
    return {"wine", program};
}

Process::Process(const std::vector<std::string>& command, const std::string& workingDirectory)
    : pid_(StartProcess(command, {}, workingDirectory)) {}

Process::~Process() {
    Kill();
}

bool Process::Running() {
    return !WaitForExit(0ms).has_value();
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds timeout) {
    if (!status_) {
        status_ = WaitForProcess(pid_, timeout);
    }
    return status_;
}

void Process::Signal(int signal) {
    if (pid_ > 0 && !status_) {
        kill(pid_, signal);
    }
}

void Process::Kill() {
    if (pid_ > 0 && !status_) {
        kill(-pid_, SIGKILL);
        WaitForExit(5s);
    }
}

namespace {

// A property of 32-bit items (atoms, windows, cardinals) of `window`; empty when it has none.
std::vector<unsigned long> Property32(::Display* display, ::Window window, const char* name,
                                      Atom kind) {
    Atom type;
    int format;
    unsigned long count, remaining;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, kind,
                           &type, &format, &count, &remaining, &data) == Success &&
        data) {
        if (format == 32) {
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            items.assign(values, values + count);
        }
        XFree(data);
    }
    return items;
}

std::string NameOf(::Display* display, ::Window window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(display, window, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

// The viewable windows named `title` among the children of `parent` and, a level down, among
// theirs: a window manager puts each window it manages into a frame of its own.
void CollectNamed(::Display* display, ::Window parent, const std::string& title,
                  std::vector<::Window>& found, bool inFrames = true) {
    ::Window root, ignored, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &ignored, &children, &count)) {
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        if (NameOf(display, children[i]) == title) {
            found.push_back(children[i]);
        } else if (inFrames) {
            CollectNamed(display, children[i], title, found, false);
        }
    }
    if (children) {
        XFree(children);
    }
}

} // namespace

namespace {

// Windows come and go while the tests look at them: a request about a window that is gone
// fails, and that is all.
int IgnoreXErrors(::Display*, XErrorEvent*) {
    return 0;
}

} // namespace

Desktop::Desktop() : display_(XOpenDisplay(nullptr)) {
    if (!display_) {
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    }
    XSetErrorHandler(&IgnoreXErrors);
}

Desktop::~Desktop() {
    XCloseDisplay(display_);
}

std::vector<::Window> Desktop::WindowsNamed(const std::string& title) {
    std::vector<::Window> found;
    CollectNamed(display_, DefaultRootWindow(display_), title, found);
    return found;
}

std::optional<::Window> Desktop::FindWindow(const std::string& title,
                                            std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        auto found = WindowsNamed(title);
        if (!found.empty()) {
            return found.front();
        }
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

bool Desktop::IsMapped(::Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
}

Geometry Desktop::GeometryOf(::Window window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, window, &attributes);
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

std::vector<Rect> Desktop::ShapeOf(::Window window) {
    int count = 0, ordering = 0;
    XRectangle* rectangles =
        XShapeGetRectangles(display_, window, ShapeBounding, &count, &ordering);
    std::vector<Rect> shape;
    for (int i = 0; i < count; ++i) {
        const XRectangle& r = rectangles[i];
        shape.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
    }
    if (rectangles) {
        XFree(rectangles);
    }
    return shape;
}

std::vector<Pixel> Desktop::Capture(const Geometry& area) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                              static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                              AllPlanes, ZPixmap);
    if (!image) {
        throw std::runtime_error("XGetImage failed");
    }
    std::vector<Pixel> pixels;
    pixels.reserve(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            unsigned long value = XGetPixel(image, x, y); // 24-bit TrueColor: 0xRRGGBB
            pixels.push_back({static_cast<std::uint8_t>(value >> 16),
                              static_cast<std::uint8_t>(value >> 8),
                              static_cast<std::uint8_t>(value)});
        }
    }
    XDestroyImage(image);
    return pixels;
}

bool Desktop::SkipsTaskbar(::Window window) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) && attributes.override_redirect) {
        return true;
    }
    return HasState(window, "_NET_WM_STATE_SKIP_TASKBAR");
}

bool Desktop::HasState(::Window window, const char* state) {
    Atom wanted = XInternAtom(display_, state, False);
    for (unsigned long atom : Property32(display_, window, "_NET_WM_STATE", XA_ATOM)) {
        if (atom == wanted) {
            return true;
        }
    }
    return false;
}

std::vector<::Window> Desktop::ClientList() {
    std::vector<unsigned long> items =
        Property32(display_, DefaultRootWindow(display_), "_NET_CLIENT_LIST", XA_WINDOW);
    return {items.begin(), items.end()};
}

bool Desktop::IsOverrideRedirect(::Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) && attributes.override_redirect;
}

double Desktop::OpacityProperty(::Window window) {
    std::vector<unsigned long> items =
        Property32(display_, window, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL);
    return items.empty() ? 1.0 : static_cast<double>(items[0] & 0xFFFFFFFFu) / 0xFFFFFFFFu;
}

::Window Desktop::KeyboardFocus() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

bool Desktop::KeyboardGrabbed() {
    int result = XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync,
                               GrabModeAsync, CurrentTime);
    if (result == GrabSuccess) {
        XUngrabKeyboard(display_, CurrentTime);
    }
    XSync(display_, False);
    return result == AlreadyGrabbed;
}

bool Desktop::KeyboardFollowsPointer() {
    ::Window focus = KeyboardFocus();
    return focus == PointerRoot || focus == DefaultRootWindow(display_);
}

bool Desktop::WindowManagerRuns() {
    // The root names a check window that names itself, while the manager runs; a manager that
    // has ended can leave the root's property behind, naming a window that is gone.
    const char* check = "_NET_SUPPORTING_WM_CHECK";
    std::vector<unsigned long> named =
        Property32(display_, DefaultRootWindow(display_), check, XA_WINDOW);
    return !named.empty() && Property32(display_, named[0], check, XA_WINDOW) == named;
}

bool Desktop::CompositorRuns() {
    return SelectionHasOwner("_NET_WM_CM_S0");
}

bool Desktop::SelectionHasOwner(const char* selection) {
    return XGetSelectionOwner(display_, XInternAtom(display_, selection, False)) != None;
}

std::string Desktop::Resources() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, 0, 1 << 20,
                       False, XA_STRING, &type, &format, &count, &after, &data);
    std::string text = data != nullptr && format == 8
                           ? std::string(reinterpret_cast<char*>(data), count)
                           : std::string();
    if (data != nullptr) {
        XFree(data);
    }
    return text;
}

void Desktop::SetResources(const std::string& database) {
    XChangeProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(database.data()),
                    static_cast<int>(database.size()));
    XSync(display_, False);
}

void Desktop::CloseByWindowManager(::Window window) {
    // Source indication 2: a pager or taskbar acting for the user.
    SendToWindowManager(display_, window, "_NET_CLOSE_WINDOW", {CurrentTime, 2});
}

void SendToWindowManager(::Display* display, ::Window window, const char* type,
                         std::vector<long> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size() && i < 5; ++i) {
        event.xclient.data.l[i] = data[i];
    }
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

void Desktop::SwitchWorkspace(long index) {
    SendToWindowManager(display_, DefaultRootWindow(display_), "_NET_CURRENT_DESKTOP",
                        {index, CurrentTime});
}

long Desktop::CurrentWorkspace() {
    std::vector<unsigned long> items =
        Property32(display_, DefaultRootWindow(display_), "_NET_CURRENT_DESKTOP", XA_CARDINAL);
    return items.empty() ? -1 : static_cast<long>(items[0]);
}

// Synced, not only flushed: the keyboard comes through another connection, and a key pressed
// there must not overtake the pointer moved here.
void Desktop::MovePointer(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void Desktop::Button(int button, bool down) {
    XTestFakeButtonEvent(display_, static_cast<unsigned>(button), down ? True : False, CurrentTime);
    XSync(display_, False);
}

void Desktop::Click(int button) {
    Button(button, true);
    Button(button, false);
}

} // namespace e2e
