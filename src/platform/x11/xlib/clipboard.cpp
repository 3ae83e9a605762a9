#include "platform/x11/xlib/clipboard.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <utility>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

// Last: Xlib's internals (the connection's resource ids) define min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace platform::x11 {
namespace {

// Readers may vanish at any time: errors from requests made to their windows are dropped
// rather than reaching the program's error handler. Made around a few requests; the program's
// own requests before them are synced first, so that their errors still reach its handler.
class IgnoreXErrors {
  public:
    explicit IgnoreXErrors(::Display* display) : display_(display) {
        XSync(display_, False);
        previous_ = XSetErrorHandler(&Ignore);
    }
    ~IgnoreXErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

  private:
    static int Ignore(::Display*, ::XErrorEvent*) { return 0; }
    ::Display* display_;
    int (*previous_)(::Display*, ::XErrorEvent*) = nullptr;
};

void Append(void* context, void* data, int size) {
    auto& bytes = *static_cast<std::vector<std::uint8_t>*>(context);
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
}

} // namespace

ClipboardOwner::ClipboardOwner(::Display* display, ::Window window,
                               std::chrono::milliseconds stallLimit)
    : display_(display), window_(window), stallLimit_(stallLimit) {
    char names[][11] = {"CLIPBOARD", "TARGETS", "TIMESTAMP", "INCR", "image/png", "image/bmp"};
    char* pointers[] = {names[0], names[1], names[2], names[3], names[4], names[5]};
    ::Atom atoms[6] = {};
    XInternAtoms(display_, pointers, 6, False, atoms);
    clipboard_ = atoms[0];
    targets_ = atoms[1];
    timestamp_ = atoms[2];
    incr_ = atoms[3];
    png_ = atoms[4];
    bmp_ = atoms[5];
    long maxRequest = XExtendedMaxRequestSize(display_);
    if (maxRequest == 0) {
        maxRequest = XMaxRequestSize(display_);
    }
    // The limit counts 4-byte units; taken as bytes, a quarter of it, which leaves room for the
    // request's own header.
    pieceBytes_ = std::min<std::size_t>(static_cast<std::size_t>(maxRequest), 256 * 1024);
}

ClipboardOwner::~ClipboardOwner() {
    IgnoreXErrors ignore(display_);
    for (const Transfer& transfer : transfers_) {
        XSelectInput(display_, transfer.requestor, NoEventMask);
    }
    if (owned_) {
        XSetSelectionOwner(display_, clipboard_, None, time_);
    }
}

bool ClipboardOwner::Take(ClipboardImage image, ::Time time) {
    image_ = std::move(image);
    encoded_.clear();
    time_ = time;
    XSetSelectionOwner(display_, clipboard_, window_, time);
    owned_ = XGetSelectionOwner(display_, clipboard_) == window_;
    return owned_;
}

bool ClipboardOwner::HandleEvent(const ::XEvent& event) {
    DropStalled();
    switch (event.type) {
    case SelectionRequest:
        if (event.xselectionrequest.owner != window_) {
            return false;
        }
        Serve(event.xselectionrequest);
        return true;
    case SelectionClear:
        if (event.xselectionclear.window != window_ ||
            event.xselectionclear.selection != clipboard_) {
            return false;
        }
        owned_ = false; // transfers under way go on to their end
        image_ = {};
        encoded_.clear();
        return true;
    case PropertyNotify: {
        const ::XPropertyEvent& change = event.xproperty;
        auto transfer = std::find_if(transfers_.begin(), transfers_.end(), [&](const Transfer& t) {
            return t.requestor == change.window && t.property == change.atom;
        });
        if (transfer == transfers_.end()) {
            return false;
        }
        if (change.state == PropertyDelete) {
            SendNextPiece(*transfer);
            if (!transfer->data) {
                EndTransfer(static_cast<std::size_t>(transfer - transfers_.begin()));
            }
        }
        return true;
    }
    default:
        return false;
    }
}

void ClipboardOwner::Serve(const ::XSelectionRequestEvent& request) {
    // Readers of old ICCCM versions name no property: the target is the property then.
    ::Atom property = request.property == None ? request.target : request.property;
    ::XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display_;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    IgnoreXErrors ignore(display_);
    reply.xselection.property = Answer(request, property) ? property : None;
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
}

bool ClipboardOwner::Answer(const ::XSelectionRequestEvent& request, ::Atom property) {
    // A request from before the selection was taken is not this image's.
    const bool tooEarly =
        request.time != CurrentTime && time_ != CurrentTime && request.time < time_;
    if (!owned_ || request.selection != clipboard_ || tooEarly || !MayRead(request.requestor)) {
        return false;
    }
    if (request.target == targets_) {
        const ::Atom offered[] = {targets_, timestamp_, png_, bmp_};
        XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 4);
        return true;
    }
    if (request.target == timestamp_) {
        const long time = static_cast<long>(time_);
        XChangeProperty(display_, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        return true;
    }
    if (request.target != png_ && request.target != bmp_) {
        return false;
    }
    Bytes data = Encoded(request.target);
    if (!data) {
        return false;
    }
    if (data->size() <= pieceBytes_) {
        XChangeProperty(display_, request.requestor, property, request.target, 8, PropModeReplace,
                        data->data(), static_cast<int>(data->size()));
        return true;
    }
    // Too large for one request: INCR with a lower bound of the size, then the pieces as the
    // reader deletes the property. A reader asking again into the same property starts afresh;
    // beyond the most transfers at once, the oldest is given up.
    for (std::size_t i = transfers_.size(); i-- > 0;) {
        if (transfers_[i].requestor == request.requestor && transfers_[i].property == property) {
            EndTransfer(i);
        }
    }
    if (transfers_.size() == kMaxTransfers) {
        EndTransfer(0);
    }
    XSelectInput(display_, request.requestor, PropertyChangeMask);
    const long size = static_cast<long>(data->size());
    XChangeProperty(display_, request.requestor, property, incr_, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    transfers_.push_back({request.requestor, property, request.target, std::move(data), 0,
                          std::chrono::steady_clock::now()});
    return true;
}

bool ClipboardOwner::MayRead(::Window window) const {
    if (window == None) {
        return false;
    }
    for (int screen = 0; screen < ScreenCount(display_); ++screen) {
        if (window == RootWindow(display_, screen)) {
            return false;
        }
    }
    // Ids this connection gives out share its resource base.
    return (window & ~display_->resource_mask) != display_->resource_base;
}

void ClipboardOwner::EndTransfer(std::size_t index) {
    const ::Window requestor = transfers_[index].requestor;
    transfers_.erase(transfers_.begin() + static_cast<std::ptrdiff_t>(index));
    const bool stillReading =
        std::any_of(transfers_.begin(), transfers_.end(),
                    [&](const Transfer& transfer) { return transfer.requestor == requestor; });
    if (!stillReading) {
        IgnoreXErrors ignore(display_); // the reader's window may have gone
        XSelectInput(display_, requestor, NoEventMask);
    }
}

void ClipboardOwner::DropStalled() {
    if (transfers_.empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = transfers_.size(); i-- > 0;) {
        if (now - transfers_[i].lastProgress >= stallLimit_) {
            EndTransfer(i);
        }
    }
}

// The next piece of a transfer; after the last one, an empty piece ends it (and the transfer's
// data is let go).
void ClipboardOwner::SendNextPiece(Transfer& transfer) {
    IgnoreXErrors ignore(display_);
    const std::size_t count = std::min(pieceBytes_, transfer.data->size() - transfer.sent);
    XChangeProperty(display_, transfer.requestor, transfer.property, transfer.type, 8,
                    PropModeReplace, transfer.data->data() + transfer.sent,
                    static_cast<int>(count));
    transfer.sent += count;
    transfer.lastProgress = std::chrono::steady_clock::now();
    if (count == 0) {
        transfer.data.reset();
    }
}

ClipboardOwner::Bytes ClipboardOwner::Encoded(::Atom type) {
    if (auto found = encoded_.find(type); found != encoded_.end()) {
        return found->second;
    }
    if (image_.width <= 0 || image_.height <= 0 ||
        image_.rgb.size() != static_cast<std::size_t>(image_.width) * image_.height * 3) {
        return nullptr;
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    const int written =
        type == png_ ? stbi_write_png_to_func(&Append, bytes.get(), image_.width, image_.height, 3,
                                              image_.rgb.data(), image_.width * 3)
                     : stbi_write_bmp_to_func(&Append, bytes.get(), image_.width, image_.height, 3,
                                              image_.rgb.data());
    if (!written) {
        return nullptr;
    }
    return encoded_[type] = std::move(bytes);
}

} // namespace platform::x11
