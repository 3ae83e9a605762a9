// The clipboard on X11: the CLIPBOARD selection, owned by one of the program's windows, serving
// one image for as long as the program runs (or until another program takes the clipboard).
// Readers may ask for TARGETS, TIMESTAMP, image/png and image/bmp; images larger than one X
// request are sent in pieces (the INCR protocol). Nothing here waits: the program's one event
// loop hands the clipboard's events to HandleEvent.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace platform::x11 {

// An image as the clipboard serves it: rows from top to bottom, 3 bytes a pixel (red, green,
// blue), no padding.
struct ClipboardImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

class ClipboardOwner {
  public:
    // Owns the selection for `window` of `display` when asked; both outlive this object.
    ClipboardOwner(::Display* display, ::Window window);
    ~ClipboardOwner();
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    // Takes the CLIPBOARD selection to serve `image` from now on. `time` is the time of the
    // user's event that asked for the copy (CurrentTime when there is none). True when the
    // selection was taken.
    bool Take(ClipboardImage image, ::Time time);

    // Whether the selection is still this program's (another program may have taken it).
    bool Owns() const { return owned_; }

    // Handles an event of the program's loop if it is the clipboard's: a request for the
    // selection (SelectionRequest), its loss (SelectionClear), or a reader's progress in a
    // transfer in pieces (PropertyNotify on the reader's window). False for any other event.
    bool HandleEvent(const ::XEvent& event);

  private:
    using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;
    // A transfer in pieces to one reader: the next piece goes when the reader has taken the
    // last one (deleted the property).
    struct Transfer {
        ::Window requestor;
        ::Atom property;
        ::Atom type;
        Bytes data;
        std::size_t sent;
    };

    void Serve(const ::XSelectionRequestEvent& request);
    // Puts the reply to `request` into the reader's `property`; false when it is refused.
    bool Answer(const ::XSelectionRequestEvent& request, ::Atom property);
    void SendNextPiece(Transfer& transfer);
    Bytes Encoded(::Atom type);

    ::Display* display_;
    ::Window window_;
    ::Atom clipboard_, targets_, timestamp_, incr_, png_, bmp_;
    std::size_t pieceBytes_; // the largest property sent at once
    bool owned_ = false;
    ::Time time_ = CurrentTime;
    ClipboardImage image_;
    std::map<::Atom, Bytes> encoded_; // by type, made on the first request for it
    std::vector<Transfer> transfers_;
};

} // namespace platform::x11
