// The clipboard on X11: the CLIPBOARD selection, owned by one of the program's windows, serving
// one image for as long as the program runs (or until another program takes the clipboard).
// Readers may ask for TARGETS, TIMESTAMP, image/png and image/bmp; images larger than one X
// request are sent in pieces (the INCR protocol). Nothing here waits: the program's one event
// loop hands the clipboard's events to HandleEvent.
//
// Readers are other programs and are not trusted: a reader that stops taking the pieces of a
// transfer (or whose window goes) is given up after a deadline, at most a few transfers are
// under way at once (a new one ends the oldest), and a request that names one of the program's
// own windows or a root window as the reader is refused, since serving it would change the
// events the program gets on that window.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
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
    // A reader that takes no piece of a transfer for this long is given up.
    static constexpr std::chrono::milliseconds kStallLimit{5000};
    // The most transfers in pieces under way at once.
    static constexpr std::size_t kMaxTransfers = 8;

    // Owns the selection for `window` of `display` when asked; both outlive this object.
    ClipboardOwner(::Display* display, ::Window window,
                   std::chrono::milliseconds stallLimit = kStallLimit);
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

    // Ends the transfers whose reader has taken no piece within the stall limit. HandleEvent
    // does it too; the program's loop calls it from a timer while transfers are under way, so
    // that a stalled one ends even when no event comes.
    void DropStalled();
    std::size_t TransfersUnderWay() const { return transfers_.size(); }

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
        std::chrono::steady_clock::time_point lastProgress;
    };

    void Serve(const ::XSelectionRequestEvent& request);
    // Puts the reply to `request` into the reader's `property`; false when it is refused.
    bool Answer(const ::XSelectionRequestEvent& request, ::Atom property);
    void SendNextPiece(Transfer& transfer);
    // Removes the transfer at `index`; the reader's window is no longer watched once no
    // transfer to it is left.
    void EndTransfer(std::size_t index);
    // Whether `window` may be a reader: not a root window, not one of this connection's own.
    bool MayRead(::Window window) const;
    Bytes Encoded(::Atom type);

    ::Display* display_;
    ::Window window_;
    ::Atom clipboard_, targets_, timestamp_, incr_, png_, bmp_;
    std::chrono::milliseconds stallLimit_;
    std::size_t pieceBytes_; // the largest property sent at once
    bool owned_ = false;
    ::Time time_ = CurrentTime;
    ClipboardImage image_;
    std::map<::Atom, Bytes> encoded_; // by type, made on the first request for it
    std::vector<Transfer> transfers_;
};

} // namespace platform::x11
