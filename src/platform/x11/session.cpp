#include "platform/x11/session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "gdi/memory/objects.h"
#include "platform/x11/events.h"
#include "platform/x11/sound/sound_poll.h"

namespace platform::x11 {

namespace {

// The picture cache holds the few frames the program shows; a program that made pictures
// without end would empty it now and then rather than grow.
constexpr std::size_t kMostPictures = 256;

} // namespace

PixelRect FormWindow::Rect() {
    if (heldRect) {
        return *heldRect;
    }
    const Session& session = Session::Get();
    Point at = window->Position();
    WindowSize size = window->Size();
    const int left = session.ToProgramX(at.x);
    const int top = session.ToProgramY(at.y);
    placed = PixelRect{left, top, left + session.ToProgram(size.width),
                       top + session.ToProgram(size.height)};
    return *placed;
}

void FormWindow::ApplyHeld() {
    const Session& session = Session::Get();
    WindowUpdate update;
    std::vector<RegionRect> shape;
    if (heldShape && !*heldShape) {
        window->RemoveShape();
    } else if (heldShape) {
        // Scaled rectangle by rectangle, the bands stay bands.
        for (const RegionRect& rect : **heldShape) {
            shape.push_back({session.ToScreen(rect.left), session.ToScreen(rect.top),
                             session.ToScreen(rect.right), session.ToScreen(rect.bottom)});
        }
        update.shape = std::span<const RegionRect>(shape);
    }
    if (heldRect && heldRect != placed) {
        placed = heldRect;
        update.position =
            Point{session.ToScreenX(heldRect->left), session.ToScreenY(heldRect->top)};
        // X windows are at least 1 x 1; a form of no size is kept as small as the server allows.
        update.size = WindowSize{session.ToScreen(std::max(heldRect->Width(), 1)),
                                 session.ToScreen(std::max(heldRect->Height(), 1))};
    }
    if (heldPicture) {
        update.picture = Session::Get().Picture(*heldPicture);
    }
    window->Apply(update);
    heldShape.reset();
    heldRect.reset();
    heldPicture.reset();
}

Session& Session::Get() {
    static Session* session = new Session; // lives as long as the process: windows outlive main
    return *session;
}

Session::Session() : connection_(Connection::Open()) {
    if (!connection_) {
        std::fputs("jellop: cannot open the X display (is DISPLAY set?)\n", stderr);
        std::exit(1);
    }
    loop_ = std::make_unique<EventLoop>(*connection_);
    // The sound server's descriptors are waited for in the same poll as the display.
    loop_->SetPollFunction(&pulse::PollWithSound);
    closeSignals_ = std::make_unique<CloseSignals>(*loop_, &DeliverEndSignal);
    formVisual_ = ChoosePetVisual(*connection_);
    dpi_ = ScreenDpi(*connection_);
    scale_ = ScaleForDpi(dpi_);
    primary_ = PrimaryMonitor(*connection_);
    // A new layout moves where the program's screen is: the places last sent count from the
    // old one and are read afresh.
    screenChanges_ = std::make_unique<ScreenChanges>(*connection_, *loop_, [this] {
        primary_ = PrimaryMonitor(*connection_);
        for (auto& [handle, form] : windows_) {
            form.placed.reset();
        }
    });
}

const Painter& Session::GetPainter() {
    if (!painter_) {
        painter_ = std::make_unique<Painter>(*connection_, dpi_);
    }
    return *painter_;
}

FormWindow* Session::Find(WindowHandle window) {
    auto found = windows_.find(static_cast<std::uintptr_t>(window));
    return found == windows_.end() ? nullptr : &found->second;
}

PetWindow* Session::AnyVisibleWindow() {
    for (auto& [handle, form] : windows_) {
        if (form.window->Visible()) {
            return form.window.get();
        }
    }
    return nullptr;
}

std::vector<WindowHandle> Session::Windows() const {
    std::vector<WindowHandle> windows;
    for (const auto& [handle, form] : windows_) {
        windows.push_back(WindowHandle{handle});
    }
    return windows;
}

WindowHandle Session::Add(FormWindow form) {
    std::uintptr_t value = memory::detail::NewHandleValue();
    windows_.emplace(value, std::move(form));
    return WindowHandle{value};
}

void Session::Remove(WindowHandle window) {
    windows_.erase(static_cast<std::uintptr_t>(window));
    events_.Set(window, {});
}

// A bitmap's pixels may change after it was shown (a DIB section drawn into): each upload is
// kept with the version of the pixels it was made from, and made again when that moved on.
const ServerPicture* Session::Picture(BitmapHandle bitmap) {
    memory::detail::BitmapObject* object = memory::detail::FindBitmap(bitmap);
    if (object == nullptr || object->width < 1 || object->height < 1) {
        return nullptr;
    }
    auto key = static_cast<std::uintptr_t>(bitmap);
    if (auto found = pictures_.find(key);
        found != pictures_.end() && found->second.version == object->version) {
        return found->second.picture.get();
    }
    if (pictures_.size() >= kMostPictures) {
        pictures_.clear();
    }
    PixelView view{object->width, object->height, object->stride, object->pixels.get(),
                   object->bottomUp};
    UploadedPicture& uploaded = pictures_[key];
    uploaded.picture = std::make_unique<ServerPicture>(*connection_, view, scale_, formVisual_);
    uploaded.version = object->version;
    ++uploads_;
    return uploaded.picture.get();
}

void Session::KeepFormsRaised(bool on) {
    for (auto& [handle, form] : windows_) {
        form.window->KeepRaised(on);
    }
}

void Session::RethrowPending() {
    if (ExceptionPending()) {
        loop_->SetInterrupted(false);
        RethrowPendingException();
    }
}

} // namespace platform::x11
