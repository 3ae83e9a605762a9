#include "platform/x11/xlib/messagebox.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/x11/xlib/ewmh.h"
#include "platform/x11/xlib/screen.h"

namespace platform::x11 {

namespace {

constexpr long kBoxEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;

// The text's lines, long ones broken between words to fit `width` pixels.
std::vector<std::string> WrapLines(const Painter& painter, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string paragraph =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string line;
        std::size_t at = 0;
        while (at <= paragraph.size()) {
            std::size_t space = paragraph.find(' ', at);
            std::string word =
                paragraph.substr(at, space == std::string::npos ? std::string::npos : space - at);
            std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && painter.TextWidth(longer) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = longer;
            }
            if (space == std::string::npos) {
                break;
            }
            at = space + 1;
        }
        lines.push_back(line);
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 1;
    }
}

class MessageBox {
  public:
    MessageBox(Connection& connection, EventLoop& loop, const Painter& painter,
               const std::string& title, const std::string& text)
        : connection_(connection), loop_(loop), painter_(painter),
          lines_(WrapLines(painter, text, painter.Scaled(420))) {
        const int margin = painter.Scaled(14);
        int textWidth = 0;
        for (const std::string& line : lines_) {
            textWidth = std::max(textWidth, painter.TextWidth(line));
        }
        button_ = {0, 0, painter.Scaled(80), painter.LineHeight() + painter.Scaled(10)};
        width_ = std::max(textWidth, button_.width) + 2 * margin;
        height_ = margin + static_cast<int>(lines_.size()) * painter.LineHeight() + margin +
                  button_.height + margin;
        button_.x = (width_ - button_.width) / 2;
        button_.y = height_ - margin - button_.height;
        ScreenSize screen = ScreenSizeInPixels(connection);
        managed_ = WindowManagerRuns(connection);

        ::Display* display = connection.Get();
        XSetWindowAttributes attributes{};
        attributes.event_mask = kBoxEvents;
        attributes.background_pixel = painter.Pixel(Colour::Face);
        attributes.override_redirect = managed_ ? False : True;
        window_ = XCreateWindow(display, connection.Root(), (screen.width - width_) / 2,
                                (screen.height - height_) / 2, static_cast<unsigned>(width_),
                                static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWEventMask | CWBackPixel | CWOverrideRedirect,
                                &attributes);
        XStoreName(display, window_, title.c_str());
        SetUtf8Name(title);
        XSizeHints size{};
        size.flags = PPosition | PMinSize | PMaxSize;
        size.min_width = size.max_width = width_;
        size.min_height = size.max_height = height_;
        XSetWMNormalHints(display, window_, &size);
        Atom deleteWindow = connection.Intern("WM_DELETE_WINDOW");
        XSetWMProtocols(display, window_, &deleteWindow, 1);
        static const char* const kType[] = {"_NET_WM_WINDOW_TYPE_DIALOG"};
        SetAtomList(connection, window_, "_NET_WM_WINDOW_TYPE", kType);
        static const char* const kStates[] = {"_NET_WM_STATE_ABOVE"};
        SetAtomList(connection, window_, "_NET_WM_STATE", kStates);
        canvas_ = std::make_unique<Canvas>(painter, window_, width_, height_);
        loop_.SetWindowHandler(window_, [this](const XEvent& event) { Handle(event); });
    }

    ~MessageBox() {
        loop_.SetWindowHandler(window_, nullptr);
        canvas_.reset();
        XDestroyWindow(connection_.Get(), window_);
        XFlush(connection_.Get());
    }

    void Run() {
        XMapRaised(connection_.Get(), window_);
        XFlush(connection_.Get());
        loop_.RunUntil([this] { return closed_; });
    }

  private:
    struct Box {
        int x, y, width, height;
        bool Holds(int px, int py) const {
            return px >= x && py >= y && px < x + width && py < y + height;
        }
    };

    void SetUtf8Name(const std::string& title) {
        XChangeProperty(connection_.Get(), window_, connection_.Intern("_NET_WM_NAME"),
                        connection_.Intern("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
    }

    void Draw() {
        const int margin = painter_.Scaled(14);
        canvas_->Fill(0, 0, width_, height_, Colour::Face);
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            canvas_->Text(margin, margin + static_cast<int>(i) * painter_.LineHeight(), lines_[i],
                          Colour::Text);
        }
        canvas_->Fill(button_.x, button_.y, button_.width, button_.height,
                      pressed_ ? Colour::Shadow : Colour::Face);
        canvas_->Frame(button_.x, button_.y, button_.width, button_.height, Colour::Border);
        // The default button's focus ring.
        canvas_->Frame(button_.x + 2, button_.y + 2, button_.width - 4, button_.height - 4,
                       Colour::Highlight);
        const Caption ok{"OK"};
        canvas_->Label(button_.x + (button_.width - painter_.TextWidth(ok.text)) / 2,
                       button_.y + (button_.height - painter_.LineHeight()) / 2, ok, Colour::Text);
        canvas_->Show();
    }

    void Handle(const XEvent& constEvent) {
        XEvent event = constEvent;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                Draw();
            }
            break;
        case MapNotify:
            // Without a manager nobody gives the box the keyboard: it takes it itself.
            if (!managed_) {
                XSetInputFocus(connection_.Get(), window_, RevertToPointerRoot, CurrentTime);
            }
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 &&
                button_.Holds(event.xbutton.x, event.xbutton.y)) {
                pressed_ = true;
                Draw();
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && pressed_) {
                pressed_ = false;
                closed_ = button_.Holds(event.xbutton.x, event.xbutton.y);
                Draw();
            }
            break;
        case KeyPress: {
            KeySym keysym = XLookupKeysym(&event.xkey, 0);
            closed_ = keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_Escape ||
                      keysym == XK_space;
            break;
        }
        case ClientMessage:
            // Only the manager's close: any client may send any message to the box.
            closed_ = event.xclient.message_type == connection_.Intern("WM_PROTOCOLS") &&
                      event.xclient.format == 32 &&
                      static_cast<Atom>(event.xclient.data.l[0]) ==
                          connection_.Intern("WM_DELETE_WINDOW");
            break;
        default:
            break;
        }
    }

    Connection& connection_;
    EventLoop& loop_;
    const Painter& painter_;
    std::vector<std::string> lines_;
    Box button_{};
    int width_ = 0;
    int height_ = 0;
    bool managed_ = false;
    Window window_;
    std::unique_ptr<Canvas> canvas_;
    bool pressed_ = false;
    bool closed_ = false;
};

} // namespace

void WriteMessageToStandardError(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

void ShowMessageBox(Connection& connection, EventLoop& loop, const Painter& painter,
                    const std::string& title, const std::string& text) {
    WriteMessageToStandardError(title, text);
    MessageBox box(connection, loop, painter, title, text);
    box.Run();
}

} // namespace platform::x11
