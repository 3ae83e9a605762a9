// The X11 backend's one session: the connection to the display, the program's one event loop,
// the drawing of its pop-ups and the form windows it has made, opened on first use. Without a
// display the program cannot run at all: it says so on standard error and ends.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The Xlib pieces are read before the contract's headers, here and in every file of the
// backend (which includes this header first): their unqualified `Window` is Xlib's, which
// platform::Window would hide once declared.
#include "platform/x11/xlib/close_signals.h"
#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/drag.h"
#include "platform/x11/xlib/draw.h"
#include "platform/x11/xlib/instance.h"
#include "platform/x11/xlib/loop.h"
#include "platform/x11/xlib/menu.h"
#include "platform/x11/xlib/messagebox.h"
#include "platform/x11/xlib/pet_visual.h"
#include "platform/x11/xlib/picture.h"
#include "platform/x11/xlib/pointer.h"
#include "platform/x11/xlib/screen.h"
#include "platform/x11/xlib/window.h"

// Names that Xlib defines as macros and the contract uses as its own (the event type
// ButtonPress, the polygon shape Complex): from here on they are the contract's.
#undef ButtonPress
#undef Complex

#include "gdi/handles.h"
#include "gdi/region_data.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_events_table.h"

namespace platform::x11 {

// A form window and what the contract keeps of it beside the X window.
struct FormWindow {
    std::unique_ptr<PetWindow> window;
    std::optional<ButtonEvent> lastPress; // the press a system drag starts from
    RegionHandle region{};                // the shape the window owns
    bool layered = false;
    // A batch under way (WindowUpdateBatch): its depth and what it holds back.
    int batchDepth = 0;
    std::optional<PixelRect> heldRect;
    // The placement last sent to or read from the server: an unchanged one is not sent again
    // (a window manager would take each as a new request).
    std::optional<PixelRect> placed;
    // The shape held back: the rectangles, or none to take the shape away (the whole window
    // shows); an empty list shows nothing of the window.
    std::optional<std::optional<std::vector<RegionRect>>> heldShape;
    // The picture held back: it goes out with the shape and placement, in the same flush.
    std::optional<BitmapHandle> heldPicture;
    // Where the window is: the held-back rectangle, or the server's (a move by the user shows
    // at once).
    PixelRect Rect();
    // Sends the held-back shape, picture and placement, the shape first.
    void ApplyHeld();
};

class Session {
  public:
    static Session& Get();

    Connection& GetConnection() const { return *connection_; }
    EventLoop& Loop() { return *loop_; }
    const Painter& GetPainter();
    // What the form windows and their pictures are made for (pet_visual.h).
    const PetVisual& FormVisual() const { return formVisual_; }
    double Dpi() const { return dpi_; }
    // The program's screen is the primary monitor, in pixels of a 96-DPI screen (screen.h):
    // its places count from the primary monitor's top-left corner, as Windows counts them, and
    // its pixels are `scale` screen pixels wide. Lengths and places go to the server multiplied
    // by the scale, and come back divided by it, rounded down (a screen pixel lies in the
    // program's pixel that covers it).
    int ToScreen(int length) const { return length * scale_; }
    int ToProgram(int length) const {
        return length >= 0 ? length / scale_ : -((-length + scale_ - 1) / scale_);
    }
    int ToScreenX(int x) const { return primary_.x + ToScreen(x); }
    int ToScreenY(int y) const { return primary_.y + ToScreen(y); }
    int ToProgramX(int x) const { return ToProgram(x - primary_.x); }
    int ToProgramY(int y) const { return ToProgram(y - primary_.y); }
    // The primary monitor's size in the program's pixels.
    int ProgramScreenWidth() const { return ToProgram(primary_.width); }
    int ProgramScreenHeight() const { return ToProgram(primary_.height); }

    FormWindow* Find(WindowHandle window);
    // The events each form window reports to.
    WindowEventsTable& Events() { return events_; }
    // The form windows there are now.
    std::vector<WindowHandle> Windows() const;
    // A form window on the screen, if there is one.
    PetWindow* AnyVisibleWindow();
    WindowHandle Add(FormWindow form);
    void Remove(WindowHandle window);

    // The server's copy of `bitmap`'s pixels (a bitmap of the in-memory GDI's object table),
    // uploaded on first use and again when the pixels have changed; null when `bitmap` is not a
    // bitmap.
    const ServerPicture* Picture(BitmapHandle bitmap);
    // How many pictures have been sent to the server so far.
    std::uint64_t PictureUploads() const { return uploads_; }

    // Whether the form windows raise themselves above every other window (see PetWindow): not
    // while one of the program's own pop-ups is open.
    void KeepFormsRaised(bool on);

    // After a callback's exception ended the modal loops: lets the loops run again and
    // rethrows the exception to the caller.
    void RethrowPending();

  private:
    Session();

    std::unique_ptr<Connection> connection_;
    std::unique_ptr<EventLoop> loop_;
    std::unique_ptr<CloseSignals> closeSignals_;
    std::unique_ptr<Painter> painter_;
    PetVisual formVisual_;
    double dpi_ = 96;
    int scale_ = 1;
    MonitorArea primary_;
    std::unique_ptr<ScreenChanges> screenChanges_;
    std::map<std::uintptr_t, FormWindow> windows_;
    WindowEventsTable events_;
    struct UploadedPicture {
        std::unique_ptr<ServerPicture> picture;
        std::uint64_t version = 0; // of the pixels it was made from
    };
    std::map<std::uintptr_t, UploadedPicture> pictures_;
    std::uint64_t uploads_ = 0;
};

// While it lives, the program's own pop-up may lie above its form windows.
class OwnPopup {
  public:
    OwnPopup() { Session::Get().KeepFormsRaised(false); }
    ~OwnPopup() { Session::Get().KeepFormsRaised(true); }
    OwnPopup(const OwnPopup&) = delete;
    OwnPopup& operator=(const OwnPopup&) = delete;
};

} // namespace platform::x11
