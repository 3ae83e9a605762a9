// The drawing of the program's own pop-ups (the context menu, the message box): one colour
// scheme, text in fontconfig's default sans font at 9 points on the screen's resolution
// (12 pixels at 96 DPI), captions with their access keys underlined. Everything is drawn into
// an off-screen canvas and shown in one copy, so a window never shows half a picture.
#pragma once

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <string>
#include <string_view>

#include "platform/x11/xlib/display.h"

namespace platform::x11 {

struct XftLibrary;

enum class Colour { Face, Text, Highlight, HighlightText, Border, Shadow, Count };

// A caption such as "&Sounds": the text shown ("Sounds") and the access key, the character
// after the single '&' ('S' at 0), if any. "&&" shows one '&'.
struct Caption {
    std::string text;
    int accessIndex = -1; // the byte of `text` to underline
    char accessKey = 0;   // upper case
};
Caption ParseCaption(std::string_view caption);

class Painter {
  public:
    Painter(Connection& connection, double dpi);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    // A length of `pixelsAt96` pixels at 96 DPI, at the screen's resolution (at least 1).
    int Scaled(int pixelsAt96) const;
    int TextWidth(std::string_view text) const;
    int Ascent() const { return font_->ascent; }
    int LineHeight() const { return font_->ascent + font_->descent; }
    unsigned long Pixel(Colour colour) const { return colours_[static_cast<int>(colour)].pixel; }

    Connection& GetConnection() const { return connection_; }
    const XftLibrary& Xft() const { return xft_; }
    XftFont* Font() const { return font_; }
    const XftColor& Get(Colour colour) const { return colours_[static_cast<int>(colour)]; }

  private:
    Connection& connection_;
    const XftLibrary& xft_;
    double dpi_;
    XftFont* font_;
    XftColor colours_[static_cast<int>(Colour::Count)];
};

// An off-screen picture of one window, drawn and then shown whole.
class Canvas {
  public:
    Canvas(const Painter& painter, Window window, int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(int x, int y, int width, int height, Colour colour);
    // A 1-pixel frame just inside the rectangle.
    void Frame(int x, int y, int width, int height, Colour colour);
    // Text with its top-left corner at (x, y).
    void Text(int x, int y, std::string_view text, Colour colour);
    // A caption with its access key underlined.
    void Label(int x, int y, const Caption& caption, Colour colour);
    // A check mark in the square (x, y, size, size).
    void Check(int x, int y, int size, Colour colour);
    // Copies the canvas to the window.
    void Show();

  private:
    const Painter& painter_;
    Window window_;
    int width_;
    int height_;
    Pixmap pixmap_;
    XftDraw* draw_;
    GC gc_;
};

} // namespace platform::x11
