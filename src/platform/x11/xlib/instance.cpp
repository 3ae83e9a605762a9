#include "platform/x11/xlib/instance.h"

#include <X11/Xatom.h>

#include <string>

namespace platform::x11 {

namespace {

// A server timestamp for the claim (ICCCM asks for one, not CurrentTime): the time of the
// PropertyNotify that an empty change of one of the window's own properties causes.
Time ServerTime(Connection& connection, Window window) {
    ::Display* display = connection.Get();
    Atom property = connection.Intern("_JELLOP_TIMESTAMP");
    XChangeProperty(display, window, property, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

// Tells a client that asked for the selection's contents that there are none.
void RefuseRequest(::Display* display, const XSelectionRequestEvent& request) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = None;
    reply.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
}

} // namespace

Atom InstanceSelection(Connection& connection) {
    return connection.Intern("_JELLOP_S" + std::to_string(connection.ScreenNumber()));
}

std::unique_ptr<InstanceClaim> InstanceClaim::Claim(Connection& connection, EventLoop& loop) {
    return Claim(connection, loop, InstanceSelection(connection));
}

std::unique_ptr<InstanceClaim> InstanceClaim::Claim(Connection& connection, EventLoop& loop,
                                                    Atom selection) {
    ::Display* display = connection.Get();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    Window owner =
        XCreateWindow(display, connection.Root(), -1, -1, 1, 1, 0, CopyFromParent, InputOnly,
                      CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    Time time = ServerTime(connection, owner);
    // Looking and taking with the server grabbed: of two copies starting together, exactly
    // one finds the selection free.
    XGrabServer(display);
    bool free = XGetSelectionOwner(display, selection) == None;
    if (free) {
        XSetSelectionOwner(display, selection, owner, time);
    }
    bool owned = free && XGetSelectionOwner(display, selection) == owner;
    XUngrabServer(display);
    if (!owned) {
        XDestroyWindow(display, owner);
        XFlush(display);
        return nullptr;
    }
    // Announce the new owner, as managers of a selection do.
    XEvent manager{};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = connection.Root();
    manager.xclient.message_type = connection.Intern("MANAGER");
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = static_cast<long>(time);
    manager.xclient.data.l[1] = static_cast<long>(selection);
    manager.xclient.data.l[2] = static_cast<long>(owner);
    XSendEvent(display, connection.Root(), False, StructureNotifyMask, &manager);
    XFlush(display);
    std::unique_ptr<InstanceClaim> claim(new InstanceClaim(connection, loop, owner, selection));
    loop.SetWindowHandler(
        owner, [claim = claim.get()](const XEvent& event) { claim->HandleEvent(event); });
    return claim;
}

bool InstanceClaim::Owns() const {
    return XGetSelectionOwner(connection_.Get(), selection_) == owner_;
}

void InstanceClaim::HandleEvent(const XEvent& event) {
    ::Display* display = connection_.Get();
    if (event.type == SelectionRequest) {
        RefuseRequest(display, event.xselectionrequest);
    } else if (event.type == SelectionClear && event.xselectionclear.selection == selection_) {
        WatchTaker();
    } else if (event.type == DestroyNotify && taker_ != None &&
               event.xdestroywindow.window == taker_) {
        WatchTaker();
    }
}

void InstanceClaim::WatchTaker() {
    ::Display* display = connection_.Get();
    StopWatching();
    const Time time = ServerTime(connection_, owner_);
    // With the server grabbed, the owner seen is the owner watched or replaced: none can come
    // or go in between.
    XGrabServer(display);
    const Window owner = XGetSelectionOwner(display, selection_);
    if (owner == None) {
        XSetSelectionOwner(display, selection_, owner_, time);
    } else if (owner != owner_) {
        // DestroyNotify comes to this connection once it watches the taker's structure; the
        // window exists (the server would have cleared the owner otherwise).
        XSelectInput(display, owner, StructureNotifyMask);
        taker_ = owner;
        loop_.SetWindowHandler(taker_, [this](const XEvent& event) { HandleEvent(event); });
    }
    XUngrabServer(display);
    XFlush(display);
}

void InstanceClaim::StopWatching() {
    if (taker_ != None) {
        loop_.SetWindowHandler(taker_, nullptr);
        taker_ = None;
    }
}

InstanceClaim::~InstanceClaim() {
    StopWatching();
    loop_.SetWindowHandler(owner_, nullptr);
    XDestroyWindow(connection_.Get(), owner_);
    XFlush(connection_.Get());
}

} // namespace platform::x11
