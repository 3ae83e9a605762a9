#include "platform/x11/xlib/draw.h"

#include "platform/x11/xlib/xft_library.h"

#include <algorithm>
#include <cmath>

namespace platform::x11 {

namespace {

// A plain light scheme: grey face, dark text, a blue highlight.
constexpr const char* kSchemeColours[static_cast<int>(Colour::Count)] = {
    "#efefef", "#1e1e1e", "#3469c4", "#ffffff", "#8c8c8c", "#c4c4c4"};

constexpr double kFontPoints = 9.0;

} // namespace

Caption ParseCaption(std::string_view caption) {
    Caption parsed;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != '&' && parsed.accessIndex < 0) {
                parsed.accessIndex = static_cast<int>(parsed.text.size());
                char key = caption[i];
                parsed.accessKey =
                    key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
            }
        }
        parsed.text += caption[i];
    }
    return parsed;
}

Painter::Painter(Connection& connection, double dpi)
    : connection_(connection), xft_(XftLibrary::Get()), dpi_(dpi) {
    ::Display* display = connection.Get();
    int screen = connection.ScreenNumber();
    font_ = xft_.FontOpen(display, screen, XFT_FAMILY, XftTypeString, "sans", XFT_SIZE,
                          XftTypeDouble, kFontPoints, XFT_DPI, XftTypeDouble, dpi, nullptr);
    for (int i = 0; i < static_cast<int>(Colour::Count); ++i) {
        xft_.ColorAllocName(display, DefaultVisual(display, screen),
                            DefaultColormap(display, screen), kSchemeColours[i], &colours_[i]);
    }
}

Painter::~Painter() {
    ::Display* display = connection_.Get();
    int screen = connection_.ScreenNumber();
    for (XftColor& colour : colours_) {
        xft_.ColorFree(display, DefaultVisual(display, screen), DefaultColormap(display, screen),
                       &colour);
    }
    xft_.FontClose(display, font_);
}

int Painter::Scaled(int pixelsAt96) const {
    return std::max(1, static_cast<int>(std::lround(pixelsAt96 * dpi_ / 96.0)));
}

int Painter::TextWidth(std::string_view text) const {
    XGlyphInfo extents{};
    xft_.TextExtentsUtf8(connection_.Get(), font_, reinterpret_cast<const FcChar8*>(text.data()),
                         static_cast<int>(text.size()), &extents);
    return extents.xOff;
}

Canvas::Canvas(const Painter& painter, Window window, int width, int height)
    : painter_(painter), window_(window), width_(width), height_(height) {
    Connection& connection = painter.GetConnection();
    ::Display* display = connection.Get();
    int screen = connection.ScreenNumber();
    pixmap_ = XCreatePixmap(display, window, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), DefaultDepth(display, screen));
    draw_ = painter.Xft().DrawCreate(display, pixmap_, DefaultVisual(display, screen),
                                     DefaultColormap(display, screen));
    gc_ = XCreateGC(display, pixmap_, 0, nullptr);
}

Canvas::~Canvas() {
    ::Display* display = painter_.GetConnection().Get();
    XFreeGC(display, gc_);
    painter_.Xft().DrawDestroy(draw_);
    XFreePixmap(display, pixmap_);
}

void Canvas::Fill(int x, int y, int width, int height, Colour colour) {
    painter_.Xft().DrawRect(draw_, &painter_.Get(colour), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height));
}

void Canvas::Frame(int x, int y, int width, int height, Colour colour) {
    Fill(x, y, width, 1, colour);
    Fill(x, y + height - 1, width, 1, colour);
    Fill(x, y, 1, height, colour);
    Fill(x + width - 1, y, 1, height, colour);
}

void Canvas::Text(int x, int y, std::string_view text, Colour colour) {
    painter_.Xft().DrawStringUtf8(
        draw_, &painter_.Get(colour), painter_.Font(), x, y + painter_.Ascent(),
        reinterpret_cast<const FcChar8*>(text.data()), static_cast<int>(text.size()));
}

void Canvas::Label(int x, int y, const Caption& caption, Colour colour) {
    Text(x, y, caption.text, colour);
    if (caption.accessIndex < 0) {
        return;
    }
    std::string_view text = caption.text;
    int before = painter_.TextWidth(text.substr(0, static_cast<std::size_t>(caption.accessIndex)));
    int width = painter_.TextWidth(text.substr(static_cast<std::size_t>(caption.accessIndex), 1));
    Fill(x + before, y + painter_.Ascent() + painter_.Scaled(1), width, painter_.Scaled(1), colour);
}

void Canvas::Check(int x, int y, int size, Colour colour) {
    ::Display* display = painter_.GetConnection().Get();
    XSetForeground(display, gc_, painter_.Pixel(colour));
    XSetLineAttributes(display, gc_, static_cast<unsigned>(painter_.Scaled(2)), LineSolid, CapRound,
                       JoinRound);
    XPoint points[3] = {
        {static_cast<short>(x + size / 5), static_cast<short>(y + size / 2)},
        {static_cast<short>(x + size * 2 / 5), static_cast<short>(y + size * 3 / 4)},
        {static_cast<short>(x + size * 4 / 5), static_cast<short>(y + size / 4)}};
    XDrawLines(display, pixmap_, gc_, points, 3, CoordModeOrigin);
}

void Canvas::Show() {
    ::Display* display = painter_.GetConnection().Get();
    XCopyArea(display, pixmap_, window_, gc_, 0, 0, static_cast<unsigned>(width_),
              static_cast<unsigned>(height_), 0, 0);
    XFlush(display);
}

} // namespace platform::x11
