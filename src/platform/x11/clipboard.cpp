// The clipboard on X11: the bitmap put on it is served as an image through the CLIPBOARD
// selection (platform/x11/xlib/clipboard.h) for as long as the program runs, from a window of its
// own that the event loop hands the selection's events.
#include "platform/x11/session.h" // first: see there

#include "platform/clipboard.h"

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <optional>

#include "gdi/memory/objects.h"
#include "platform/x11/xlib/clipboard.h"

namespace platform {
namespace {

struct ClipboardState {
    bool open = false;
    ::Window window = None;
    std::unique_ptr<x11::ClipboardOwner> owner;
    // Runs only while transfers in pieces are under way: gives up readers that stall.
    std::optional<x11::EventLoop::Id> stallTimer;
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

// The owner of the selection, made with its window on first use. Its requests come to its
// window; a reader's progress in a transfer in pieces comes on the reader's window, which has
// no handler of the program's, so the loop's fallback handler offers every other event too.
x11::ClipboardOwner& Owner() {
    ClipboardState& state = State();
    if (!state.owner) {
        x11::Session& session = x11::Session::Get();
        x11::Connection& connection = session.GetConnection();
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = PropertyChangeMask;
        state.window =
            XCreateWindow(connection.Get(), connection.Root(), -1, -1, 1, 1, 0, CopyFromParent,
                          InputOnly, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        state.owner = std::make_unique<x11::ClipboardOwner>(connection.Get(), state.window);
        auto handle = [](const XEvent& event) {
            ClipboardState& state = State();
            state.owner->HandleEvent(event);
            if (state.owner->TransfersUnderWay() > 0 && !state.stallTimer) {
                x11::EventLoop& loop = x11::Session::Get().Loop();
                state.stallTimer = loop.AddTimer(std::chrono::seconds(1), [] {
                    ClipboardState& state = State();
                    state.owner->DropStalled();
                    if (state.owner->TransfersUnderWay() == 0) {
                        x11::Session::Get().Loop().RemoveTimer(*state.stallTimer);
                        state.stallTimer.reset();
                    }
                });
            }
        };
        session.Loop().SetWindowHandler(state.window, handle);
        session.Loop().SetFallbackHandler(handle);
    }
    return *state.owner;
}

// The bitmap's pixels as the clipboard serves them: top row first, red, green, blue.
x11::ClipboardImage ImageOf(memory::detail::BitmapObject& bitmap) {
    x11::ClipboardImage image;
    image.width = bitmap.width;
    image.height = bitmap.height;
    image.rgb.reserve(static_cast<std::size_t>(bitmap.width) * bitmap.height * 3);
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        for (std::int32_t x = 0; x < bitmap.width; ++x) {
            const std::uint8_t* bgr = bitmap.At(x, y);
            image.rgb.insert(image.rgb.end(), {bgr[2], bgr[1], bgr[0]});
        }
    }
    return image;
}

} // namespace

bool OpenClipboard(WindowHandle /*owner*/) {
    if (State().open) {
        return false;
    }
    State().open = true;
    return true;
}

bool EmptyClipboard() {
    return State().open;
}

bool SetClipboardData(std::uint32_t format, Bitmap& bitmap) {
    memory::detail::BitmapObject* object = memory::detail::FindBitmap(bitmap.get());
    if (!State().open || format != kClipboardFormatBitmap || object == nullptr) {
        return false;
    }
    if (!Owner().Take(ImageOf(*object), CurrentTime)) {
        return false;
    }
    bitmap.reset(); // the clipboard keeps the image, not the bitmap
    return true;
}

bool CloseClipboard() {
    bool wasOpen = State().open;
    State().open = false;
    return wasOpen;
}

} // namespace platform
