#include "platform/x11/contract/session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/pulse/sound_poll.h"
#include "platform/shared/objects.h"
#include "platform/x11/screen.h"

namespace platform::x11 {

namespace {

// The picture cache holds the few frames the program shows; a program that made pictures
// without end would empty it now and then rather than grow.
constexpr std::size_t kMostPictures = 256;

// FNV-1a taken eight bytes at a time, with a shift that brings the high bits of each product
// back down: a frame is summed on every tick, so the sum goes a word per step, not a byte.
std::uint64_t PixelSum(const std::uint8_t* pixels, std::size_t bytes) {
    std::uint64_t sum = 1469598103934665603ULL;
    auto mix = [&sum](std::uint64_t word) {
        sum = (sum ^ word) * 1099511628211ULL;
        sum ^= sum >> 29;
    };
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, pixels + i, 8);
        mix(word);
    }
    for (; i < bytes; ++i) {
        mix(pixels[i]);
    }
    return sum;
}

} // namespace

PixelRect FormWindow::Rect() {
    if (heldRect) {
        return *heldRect;
    }
    Point at = window->Position();
    WindowSize size = window->Size();
    placed = PixelRect{at.x, at.y, at.x + size.width, at.y + size.height};
    return *placed;
}

void FormWindow::ApplyHeld() {
    WindowUpdate update;
    if (heldShape && !*heldShape) {
        window->RemoveShape();
    } else if (heldShape) {
        update.shape = std::span<const RegionRect>(**heldShape);
    }
    if (heldRect && heldRect != placed) {
        placed = heldRect;
        update.position = Point{heldRect->left, heldRect->top};
        // X windows are at least 1 x 1; a form of no size is kept as small as the server allows.
        update.size = WindowSize{std::max(heldRect->Width(), 1), std::max(heldRect->Height(), 1)};
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
    dpi_ = ScreenDpi(*connection_);
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

WindowHandle Session::Add(FormWindow form) {
    std::uintptr_t value = shared::detail::NewHandleValue();
    windows_.emplace(value, std::move(form));
    return WindowHandle{value};
}

void Session::Remove(WindowHandle window) {
    windows_.erase(static_cast<std::uintptr_t>(window));
}

// A bitmap's pixels may change after it was shown (a DIB section drawn into): each upload is
// kept with a checksum of the pixels it was made from, and made again when they differ. The
// frames are small, so the sum costs little beside a round trip.
const ServerPicture* Session::Picture(BitmapHandle bitmap) {
    shared::detail::BitmapObject* object = shared::detail::FindBitmap(bitmap);
    if (object == nullptr || object->width < 1 || object->height < 1) {
        return nullptr;
    }
    const std::uint64_t sum =
        PixelSum(object->pixels.get(), static_cast<std::size_t>(object->stride) * object->height);
    auto key = static_cast<std::uintptr_t>(bitmap);
    if (auto found = pictures_.find(key); found != pictures_.end() && found->second.sum == sum) {
        return found->second.picture.get();
    }
    if (pictures_.size() >= kMostPictures) {
        pictures_.clear();
    }
    PixelView view{object->width, object->height, object->stride, object->pixels.get(),
                   object->bottomUp};
    UploadedPicture& uploaded = pictures_[key];
    uploaded.picture = std::make_unique<ServerPicture>(*connection_, view);
    uploaded.sum = sum;
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
