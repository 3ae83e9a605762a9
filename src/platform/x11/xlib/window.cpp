#include "platform/x11/xlib/window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <chrono>
#include <utility>
#include <vector>

#include "platform/x11/xlib/ewmh.h"

namespace platform::x11 {

namespace {

constexpr long kEvents = ButtonPressMask | ButtonReleaseMask;

std::vector<XRectangle> ToXRectangles(std::span<const RegionRect> rects) {
    std::vector<XRectangle> xrects;
    xrects.reserve(rects.size());
    for (const RegionRect& rect : rects) {
        xrects.push_back({static_cast<short>(rect.left), static_cast<short>(rect.top),
                          static_cast<unsigned short>(rect.right - rect.left),
                          static_cast<unsigned short>(rect.bottom - rect.top)});
    }
    return xrects;
}

void SetShape(::Display* display, Window window, std::vector<XRectangle>& xrects) {
    // ShapeSet replaces the old shape; the rectangles come banded (YXBanded), as regions keep
    // them. The bounding shape alone: a window with no input shape of its own takes the
    // pointer within its bounding shape, and one request a frame costs the server half.
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, xrects.data(),
                            static_cast<int>(xrects.size()), ShapeSet, YXBanded);
}

} // namespace

PetWindow::PetWindow(Connection& connection, EventLoop& loop, const std::string& title,
                     Point position, WindowSize size, const PetVisual& visual)
    // A manager that cannot keep a window above the others (sway's lists no
    // _NET_WM_STATE_ABOVE) also floats the pet where it likes and ignores its moves: the window
    // then places and stacks itself, as without a manager.
    : connection_(connection), loop_(loop),
      managed_(WindowManagerRuns(connection) &&
               WindowManagerSupports(connection, "_NET_WM_STATE_ABOVE")),
      held_(managed_), size_(size), visual_(visual), clicks_(connection) {
    ::Display* display = connection.Get();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = managed_ ? False : True;
    attributes.event_mask = EventMask();
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    unsigned long mask = CWOverrideRedirect | CWEventMask | CWBackPixmap | CWBorderPixel;
    if (visual_.HasAlpha()) {
        // Clear until it has a picture; a visual other than the root's needs its own colormap.
        attributes.background_pixel = 0;
        attributes.colormap = visual_.colormap;
        mask = (mask & ~CWBackPixmap) | CWBackPixel | CWColormap;
    }
    window_ = XCreateWindow(
        display, connection.Root(), position.x, position.y, size.width, size.height, 0,
        visual_.HasAlpha() ? visual_.depth : CopyFromParent, InputOutput,
        visual_.HasAlpha() ? visual_.visual : CopyFromParent, mask, &attributes);
    XStoreName(display, window_, title.c_str());
    XClassHint classHint{const_cast<char*>("jellop"), const_cast<char*>("Jellop")};
    XSetClassHint(display, window_, &classHint);
    SetCardinal(connection, window_, "_NET_WM_PID", static_cast<unsigned long>(getpid()));
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | PPosition | PWinGravity;
    sizeHints.x = position.x;
    sizeHints.y = position.y;
    sizeHints.win_gravity = StaticGravity;
    XSetWMNormalHints(display, window_, &sizeHints);
    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = False;
    wmHints.initial_state = NormalState;
    XSetWMHints(display, window_, &wmHints);
    // A manager's close asks the program (which fades out and ends) rather than ending it.
    Atom protocols[] = {connection.Intern("WM_DELETE_WINDOW")};
    XSetWMProtocols(display, window_, protocols, 1);
    if (managed_) {
        SetNoDecorations(connection, window_);
        static const char* const kType[] = {"_NET_WM_WINDOW_TYPE_UTILITY"};
        SetAtomList(connection, window_, "_NET_WM_WINDOW_TYPE", kType);
    }
    loop_.SetWindowHandler(window_, [this](const XEvent& event) { HandleEvent(event); });
    if (managed_) {
        WatchManager();
        XSelectInput(display, window_, EventMask());
    }
}

// Visibility is watched only where nothing else keeps the window above the others: under a
// manager the frame it puts around the window follows each resize a moment later, and the
// window would hear of being covered by it and clear again on every frame. Nor does a held
// window hear of its own moves and resizes (a wake of the program on every frame): it watches
// its manager's check window instead, which goes with the manager. Only a window made for a
// manager that has no manager to watch hears of being reparented, to learn when the next one
// takes it.
long PetWindow::EventMask() const {
    return kEvents | (held_ ? NoEventMask : VisibilityChangeMask) |
           (managed_ && managerCheck_ == None ? StructureNotifyMask : NoEventMask);
}

// Watches the check window of the manager that runs now, if there is one: it is destroyed with
// the manager's connection.
void PetWindow::WatchManager() {
    ::Display* display = connection_.Get();
    if (managerCheck_ != None) {
        loop_.SetWindowHandler(managerCheck_, nullptr);
        XSelectInput(display, managerCheck_, NoEventMask);
        managerCheck_ = None;
    }
    std::optional<std::vector<unsigned long>> check = connection_.ReadLongs(
        connection_.Root(), connection_.Intern("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
    if (!check || check->size() != 1) {
        return;
    }
    const Window watched = check->front();
    XSelectInput(display, watched, StructureNotifyMask);
    connection_.Sync();
    for (const XErrorRecord& error : connection_.TakeErrors()) {
        if (error.resource == watched) {
            return; // gone already
        }
    }
    managerCheck_ = watched;
    loop_.SetWindowHandler(managerCheck_, [this](const XEvent& event) {
        if (event.type == DestroyNotify) {
            loop_.SetWindowHandler(std::exchange(managerCheck_, None), nullptr);
            ManagerChanged();
        }
    });
}

// The manager that held the window has gone, or the window was reparented: whether one holds it
// now is whether it lies in a frame. A window that no manager holds keeps itself above the
// others, as an override-redirect window does, until the next manager takes it (reading the
// states and hints it was given). Its manager's connection is gone by now (its check window
// went with it), so a raise reaches the server and not the old manager.
void PetWindow::ManagerChanged() {
    ::Display* display = connection_.Get();
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window_, &root, &parent, &children, &count) && children != nullptr) {
        XFree(children);
    }
    held_ = parent != None && parent != connection_.Root();
    if (held_) {
        WatchManager();
    } else if (managerCheck_ != None) {
        loop_.SetWindowHandler(managerCheck_, nullptr);
        XSelectInput(display, managerCheck_, NoEventMask);
        managerCheck_ = None;
    }
    XSelectInput(display, window_, EventMask());
    RaiseWithoutManager();
}

void PetWindow::RaiseWithoutManager() {
    if (!held_ && visible_ && keepRaised_ && topmost_) {
        XRaiseWindow(connection_.Get(), window_);
        XFlush(connection_.Get());
    }
}

PetWindow::~PetWindow() {
    loop_.SetWindowHandler(window_, nullptr);
    if (managerCheck_ != None) {
        loop_.SetWindowHandler(managerCheck_, nullptr);
    }
    if (canvasGc_ != nullptr) {
        XFreeGC(connection_.Get(), canvasGc_);
    }
    XDestroyWindow(connection_.Get(), window_);
    XFlush(connection_.Get());
}

// The states and the workspace are set again before each map: a manager removes them when
// the window is withdrawn.
void PetWindow::SetManagedProperties() {
    static const char* const kStates[] = {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                                          "_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE"};
    // The above state last, so that a window out of the topmost band leaves it out.
    SetAtomList(connection_, window_, "_NET_WM_STATE", std::span(kStates).first(topmost_ ? 4 : 3));
    SetCardinal(connection_, window_, "_NET_WM_DESKTOP", 0xFFFFFFFFUL); // every workspace
}

void PetWindow::Show() {
    position_.reset(); // a manager places a window it takes
    ::Display* display = connection_.Get();
    // A window shown already only comes to the top: no word of it becoming viewable will come.
    const bool wait = managed_ && !visible_;
    if (wait) {
        SetManagedProperties();
        XSelectInput(display, window_, EventMask() | VisibilityChangeMask);
    }
    XMapRaised(display, window_);
    XFlush(display);
    visible_ = true;
    if (wait) {
        XEvent event;
        connection_.WaitForWindowEvent(window_, VisibilityNotify, std::chrono::milliseconds(500),
                                       event);
        XSelectInput(display, window_, EventMask());
    }
}

void PetWindow::SetTopmost(bool on) {
    if (on == topmost_) {
        return;
    }
    topmost_ = on;
    if (held_) {
        if (visible_) {
            // A mapped window's state is the manager's to change: it is asked (0 removes, 1
            // adds). A hidden one's is set as it is shown.
            const long request[5] = {
                on ? 1 : 0, static_cast<long>(connection_.Intern("_NET_WM_STATE_ABOVE")), 0, 1, 0};
            SendToRoot(connection_, window_, "_NET_WM_STATE", request);
        }
    } else {
        if (managed_ && visible_) {
            SetManagedProperties(); // what the next manager to take the window reads
        }
        if (on) {
            XRaiseWindow(connection_.Get(), window_);
        }
    }
    XFlush(connection_.Get());
}

void PetWindow::Hide() {
    position_.reset();
    if (managed_) {
        XWithdrawWindow(connection_.Get(), window_, connection_.ScreenNumber());
    } else {
        XUnmapWindow(connection_.Get(), window_);
    }
    XFlush(connection_.Get());
    visible_ = false;
}

// Position, size, shape and picture go out in one flush, so the server handles them one
// after the other without the program in between; a compositor sees them in one batch. The
// shape is never set while it reaches past the window's edges: the server would find the
// window partly covered for a moment (by nothing) and tell the program so, and then that it is
// clear again, on every frame of the walk.
void PetWindow::Apply(const WindowUpdate& update) {
    ::Display* display = connection_.Get();
    const bool resized = update.size && *update.size != size_;
    const bool newPicture = update.picture != nullptr && update.picture->Get() != picture_;
    if (newPicture) {
        picture_ = update.picture->Get();
    }
    std::vector<XRectangle> shape;
    if (update.shape) {
        shape = ToXRectangles(*update.shape);
        if (visual_.HasAlpha()) {
            shape_ = shape;
        }
    }
    // The background is set before a resize, which paints it. With alpha it is the picture cut
    // to the shape at the window's new size, made again whenever one of those changed.
    const bool repaint = visual_.HasAlpha()
                             ? picture_ != None && (newPicture || update.shape || resized)
                             : newPicture;
    if (repaint) {
        ShowPicture(update.size.value_or(size_));
    }
    // A shape that fits in the window as it is goes first; one that does not, once it has grown.
    const bool shapeFirst = update.shape && (!update.size || (update.size->width <= size_.width &&
                                                              update.size->height <= size_.height));
    if (shapeFirst) {
        SetShape(display, window_, shape);
    }
    if (update.size) {
        size_ = *update.size;
    }
    if (update.position) {
        position_.reset(); // a manager may place the window elsewhere than asked
    }
    if (update.position && update.size) {
        XMoveResizeWindow(display, window_, update.position->x, update.position->y,
                          static_cast<unsigned>(size_.width), static_cast<unsigned>(size_.height));
    } else if (update.position) {
        XMoveWindow(display, window_, update.position->x, update.position->y);
    } else if (update.size) {
        XResizeWindow(display, window_, static_cast<unsigned>(size_.width),
                      static_cast<unsigned>(size_.height));
    }
    if (update.shape && !shapeFirst) {
        SetShape(display, window_, shape);
    }
    // A resize paints the background over the whole window by itself (its contents are
    // forgotten: the default bit gravity); a new background at the same size needs a clear.
    if (repaint && !resized) {
        XClearWindow(display, window_);
    }
    connection_.Send();
}

// Makes the window's background the picture: the picture itself, or with alpha a copy of it
// cut to the shape on a pixmap of the window's size, transparent (all bits 0) elsewhere.
void PetWindow::ShowPicture(WindowSize size) {
    ::Display* display = connection_.Get();
    if (!visual_.HasAlpha()) {
        XSetWindowBackgroundPixmap(display, window_, picture_);
        return;
    }
    const auto width = static_cast<unsigned>(size.width);
    const auto height = static_cast<unsigned>(size.height);
    Pixmap canvas = XCreatePixmap(display, window_, width, height, visual_.depth);
    if (canvasGc_ == nullptr) {
        XGCValues values{};
        values.graphics_exposures = False; // no word back from the server after each copy
        canvasGc_ = XCreateGC(display, canvas, GCGraphicsExposures, &values);
    }
    XSetClipMask(display, canvasGc_, None);
    XSetForeground(display, canvasGc_, 0);
    XFillRectangle(display, canvas, canvasGc_, 0, 0, width, height);
    if (shape_) {
        XSetClipRectangles(display, canvasGc_, 0, 0, shape_->data(),
                           static_cast<int>(shape_->size()), YXBanded);
    }
    XCopyArea(display, picture_, canvas, canvasGc_, 0, 0, width, height, 0, 0);
    // The window keeps the pixmap as long as it is its background.
    XSetWindowBackgroundPixmap(display, window_, canvas);
    XFreePixmap(display, canvas);
}

void PetWindow::RemoveShape() {
    ::Display* display = connection_.Get();
    XShapeCombineMask(display, window_, ShapeBounding, 0, 0, None, ShapeSet);
    if (visual_.HasAlpha()) {
        shape_.reset();
        if (picture_ != None) {
            ShowPicture(size_);
            XClearWindow(display, window_);
        }
    }
    XFlush(display);
}

void PetWindow::SetOpacity(std::uint8_t alpha) {
    Atom property = connection_.Intern("_NET_WM_WINDOW_OPACITY");
    if (alpha == 255) {
        XDeleteProperty(connection_.Get(), window_, property);
    } else {
        // 0 to 255 spread over 0 to 0xFFFFFFFF.
        SetCardinal(connection_, window_, "_NET_WM_WINDOW_OPACITY", alpha * 0x01010101UL);
    }
    XFlush(connection_.Get());
}

Point PetWindow::Position() const {
    const std::uint64_t turn = loop_.CallbackTurn();
    if (turn != 0 && position_ && positionTurn_ == turn) {
        return *position_;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(connection_.Get(), window_, connection_.Root(), 0, 0, &x, &y, &child);
    position_ = Point{x, y};
    positionTurn_ = turn;
    return *position_;
}

Point PetWindow::PointerPosition() {
    PointerOverWindow reading = x11::PointerPosition(connection_, window_);
    if (const std::uint64_t turn = loop_.CallbackTurn(); turn != 0 && reading.windowOrigin) {
        position_ = reading.windowOrigin;
        positionTurn_ = turn;
    }
    return reading.screen;
}

void PetWindow::HandleEvent(const XEvent& event) {
    switch (event.type) {
    case VisibilityNotify: {
        // Only the latest state counts: while one update of the window is under way (its shape,
        // then its size) the server may see it for a moment as partly covered, by nobody but
        // itself, and say so just before it says the window is clear again.
        int state = event.xvisibility.state;
        XEvent later;
        while (XCheckTypedWindowEvent(connection_.Get(), window_, VisibilityNotify, &later)) {
            state = later.xvisibility.state;
        }
        // Without a manager nothing else keeps the window above the others.
        if (!held_ && keepRaised_ && topmost_ && state != VisibilityUnobscured) {
            XRaiseWindow(connection_.Get(), window_);
            XFlush(connection_.Get());
        }
        break;
    }
    case ReparentNotify:
        if (managed_) {
            ManagerChanged();
        }
        break;
    case ClientMessage:
        // Any client may send any message: only the manager's close counts.
        if (event.xclient.message_type == connection_.Intern("WM_PROTOCOLS") &&
            event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == connection_.Intern("WM_DELETE_WINDOW") &&
            onClose_) {
            onClose_();
        }
        break;
    case ButtonPress:
    case ButtonRelease:
        if (std::optional<ButtonEvent> typed = clicks_.Track(event.xbutton); typed && onButton_) {
            onButton_(*typed);
        }
        break;
    default:
        break;
    }
}

} // namespace platform::x11
