#include "platform/x11/xlib/menu.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/x11/xlib/ewmh.h"
#include "platform/x11/xlib/screen.h"

namespace platform::x11 {

namespace {

constexpr long kMenuEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;

// The menu's items laid out: each item's band of the window, top to bottom.
struct Layout {
    std::vector<int> top;
    std::vector<int> height;
    std::vector<Caption> captions;
    int width = 0;
    int totalHeight = 0;
    int border = 0;
    int checkWidth = 0;
};

Layout LayOut(const Painter& painter, std::span<const MenuItem> items) {
    Layout layout;
    layout.border = painter.Scaled(3);
    layout.checkWidth = painter.LineHeight() + painter.Scaled(8);
    int itemHeight = painter.LineHeight() + painter.Scaled(8);
    int y = layout.border;
    int textWidth = 0;
    for (const MenuItem& item : items) {
        layout.captions.push_back(ParseCaption(item.caption));
        int height = item.kind == MenuItem::Kind::Separator ? painter.Scaled(7) : itemHeight;
        layout.top.push_back(y);
        layout.height.push_back(height);
        y += height;
        textWidth = std::max(textWidth, painter.TextWidth(layout.captions.back().text));
    }
    layout.totalHeight = y + layout.border;
    layout.width = 2 * layout.border + layout.checkWidth + textWidth + painter.Scaled(24);
    return layout;
}

class PopupMenu {
  public:
    PopupMenu(Connection& connection, EventLoop& loop, const Painter& painter,
              std::span<const MenuItem> items, Point at)
        : connection_(connection), loop_(loop), painter_(painter), items_(items),
          layout_(LayOut(painter, items)) {
        ScreenSize screen = ScreenSizeInPixels(connection);
        // As on Windows: flipped to the pointer's left or above it where it would not fit.
        if (at.x + layout_.width > screen.width) {
            at.x = std::max(0, at.x - layout_.width);
        }
        if (at.y + layout_.totalHeight > screen.height) {
            at.y = std::max(0, at.y - layout_.totalHeight);
        }
        ::Display* display = connection.Get();
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.save_under = True;
        attributes.event_mask = kMenuEvents;
        attributes.background_pixel = painter.Pixel(Colour::Face);
        window_ = XCreateWindow(
            display, connection.Root(), at.x, at.y, static_cast<unsigned>(layout_.width),
            static_cast<unsigned>(layout_.totalHeight), 0, CopyFromParent, InputOutput,
            CopyFromParent, CWOverrideRedirect | CWSaveUnder | CWEventMask | CWBackPixel,
            &attributes);
        static const char* const kType[] = {"_NET_WM_WINDOW_TYPE_POPUP_MENU"};
        SetAtomList(connection, window_, "_NET_WM_WINDOW_TYPE", kType);
        canvas_ = std::make_unique<Canvas>(painter, window_, layout_.width, layout_.totalHeight);
        loop_.SetWindowHandler(window_, [this](const XEvent& event) { Handle(event); });
    }

    ~PopupMenu() {
        ::Display* display = connection_.Get();
        XUngrabPointer(display, CurrentTime);
        XUngrabKeyboard(display, CurrentTime);
        loop_.SetWindowHandler(window_, nullptr);
        canvas_.reset();
        XDestroyWindow(display, window_);
        XFlush(display);
    }

    int Track() {
        ::Display* display = connection_.Get();
        XMapRaised(display, window_);
        Draw();
        if (!Grab()) {
            return 0;
        }
        loop_.RunUntil([this] { return done_; });
        return chosen_;
    }

  private:
    // Both grabs, retried for a while: another program (the window manager handling the
    // click that opened the menu, say) may hold one for a moment.
    bool Grab() {
        ::Display* display = connection_.Get();
        constexpr unsigned kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        auto end = EventLoop::Clock::now() + std::chrono::seconds(1);
        bool pointer = false;
        bool keyboard = false;
        while (!(pointer && keyboard) && EventLoop::Clock::now() < end) {
            pointer =
                pointer || XGrabPointer(display, window_, False, kPointerEvents, GrabModeAsync,
                                        GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
            keyboard = keyboard || XGrabKeyboard(display, window_, False, GrabModeAsync,
                                                 GrabModeAsync, CurrentTime) == GrabSuccess;
            if (!(pointer && keyboard)) {
                bool waited = false;
                EventLoop::Id retry =
                    loop_.AddTimer(std::chrono::milliseconds(20), [&] { waited = true; });
                loop_.RunUntil([&] { return waited; });
                loop_.RemoveTimer(retry);
            }
        }
        return pointer && keyboard;
    }

    void Draw() {
        canvas_->Fill(0, 0, layout_.width, layout_.totalHeight, Colour::Face);
        canvas_->Frame(0, 0, layout_.width, layout_.totalHeight, Colour::Border);
        int inner = layout_.width - 2 * layout_.border;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            int top = layout_.top[i];
            int height = layout_.height[i];
            if (items_[i].kind == MenuItem::Kind::Separator) {
                canvas_->Fill(layout_.border + painter_.Scaled(4), top + height / 2,
                              inner - painter_.Scaled(8), 1, Colour::Shadow);
                continue;
            }
            bool hot = static_cast<int>(i) == highlighted_;
            Colour text = hot ? Colour::HighlightText : Colour::Text;
            if (hot) {
                canvas_->Fill(layout_.border, top, inner, height, Colour::Highlight);
            }
            if (items_[i].kind == MenuItem::Kind::Check && items_[i].checked) {
                int size = painter_.LineHeight();
                canvas_->Check(layout_.border + (layout_.checkWidth - size) / 2,
                               top + (height - size) / 2, size, text);
            }
            canvas_->Label(layout_.border + layout_.checkWidth,
                           top + (height - painter_.LineHeight()) / 2, layout_.captions[i], text);
        }
        canvas_->Show();
    }

    // The item (not a separator) at (x, y) of the window, or -1.
    int ItemAt(int x, int y) const {
        if (x < layout_.border || x >= layout_.width - layout_.border) {
            return -1;
        }
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (y >= layout_.top[i] && y < layout_.top[i] + layout_.height[i]) {
                return items_[i].kind == MenuItem::Kind::Separator ? -1 : static_cast<int>(i);
            }
        }
        return -1;
    }

    bool Inside(int x, int y) const {
        return x >= 0 && y >= 0 && x < layout_.width && y < layout_.totalHeight;
    }

    void Highlight(int item) {
        if (item != highlighted_) {
            highlighted_ = item;
            Draw();
        }
    }

    void Choose(int item) {
        chosen_ = item >= 0 ? items_[static_cast<std::size_t>(item)].command : 0;
        done_ = true;
    }

    // The next item that is not a separator, `step` (1 or -1) from the highlighted one, round.
    void MoveHighlight(int step) {
        int count = static_cast<int>(items_.size());
        int item = highlighted_ < 0 ? (step > 0 ? -1 : count) : highlighted_;
        for (int tries = 0; tries < count; ++tries) {
            item = (item + step + count) % count;
            if (items_[static_cast<std::size_t>(item)].kind != MenuItem::Kind::Separator) {
                Highlight(item);
                return;
            }
        }
    }

    void Key(XKeyEvent& event) {
        char text[8] = {};
        KeySym keysym = NoSymbol;
        int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
        switch (keysym) {
        case XK_Escape:
            Choose(-1);
            return;
        case XK_Up:
        case XK_KP_Up:
            MoveHighlight(-1);
            return;
        case XK_Down:
        case XK_KP_Down:
            MoveHighlight(1);
            return;
        case XK_Return:
        case XK_KP_Enter:
            if (highlighted_ >= 0) {
                Choose(highlighted_);
            }
            return;
        default:
            break;
        }
        if (length != 1) {
            return;
        }
        char key = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].kind != MenuItem::Kind::Separator &&
                layout_.captions[i].accessKey == key) {
                Choose(static_cast<int>(i));
                return;
            }
        }
    }

    void Handle(const XEvent& constEvent) {
        XEvent event = constEvent;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                Draw();
            }
            break;
        case MotionNotify:
            moved_ = true;
            Highlight(ItemAt(event.xmotion.x, event.xmotion.y));
            break;
        case ButtonPress:
            if (!Inside(event.xbutton.x, event.xbutton.y)) {
                Choose(-1); // a click elsewhere closes the menu, and goes nowhere else
            } else {
                pressedInside_ = true;
                Highlight(ItemAt(event.xbutton.x, event.xbutton.y));
            }
            break;
        case ButtonRelease: {
            // The release of the press that opened the menu chooses nothing unless the
            // pointer has moved onto an item since.
            int item = ItemAt(event.xbutton.x, event.xbutton.y);
            if (item >= 0 && (pressedInside_ || moved_)) {
                Choose(item);
            }
            break;
        }
        case KeyPress:
            Key(event.xkey);
            break;
        default:
            break;
        }
    }

    Connection& connection_;
    EventLoop& loop_;
    const Painter& painter_;
    std::span<const MenuItem> items_;
    Layout layout_;
    Window window_;
    std::unique_ptr<Canvas> canvas_;
    int highlighted_ = -1;
    bool moved_ = false;
    bool pressedInside_ = false;
    bool done_ = false;
    int chosen_ = 0;
};

} // namespace

int TrackPopupMenu(Connection& connection, EventLoop& loop, const Painter& painter,
                   std::span<const MenuItem> items, Point at) {
    if (items.empty()) {
        return 0;
    }
    PopupMenu menu(connection, loop, painter, items, at);
    return menu.Track();
}

} // namespace platform::x11
