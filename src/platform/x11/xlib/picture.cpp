#include "platform/x11/xlib/picture.h"

#include <X11/Xutil.h>

#include <bit>
#include <cstdlib>
#include <vector>

namespace platform::x11 {

namespace {

// One 8-bit channel placed under a visual's colour mask (TrueColor visuals of any depth).
unsigned long Channel(std::uint8_t value, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                     : static_cast<unsigned long>(value) >> (8 - bits);
    return (scaled << shift) & mask;
}

} // namespace

ServerPicture::ServerPicture(Connection& connection, const PixelView& pixels, int scale,
                             const PetVisual& petVisual)
    : connection_(connection), width_(pixels.width * scale), height_(pixels.height * scale) {
    ::Display* display = connection.Get();
    int screen = connection.ScreenNumber();
    Visual* visual = petVisual.HasAlpha() ? petVisual.visual : DefaultVisual(display, screen);
    int depth = petVisual.HasAlpha() ? petVisual.depth : DefaultDepth(display, screen);
    // The bits the colours leave free are alpha on a visual that has it.
    const unsigned long opaque =
        petVisual.HasAlpha() ? 0xFFFFFFFFUL & ~(visual->red_mask | visual->green_mask | visual->blue_mask)
                             : 0;
    pixmap_ = XCreatePixmap(display, connection.Root(), width_, height_, depth);
    XImage* image =
        XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, width_, height_, 32, 0);
    // XDestroyImage frees the data with free().
    image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) *
                                                 static_cast<std::size_t>(height_)));
    for (int y = 0; y < height_; ++y) {
        const int sourceY = y / scale;
        const std::uint8_t* row =
            pixels.bgr + (pixels.bottomUp ? pixels.height - 1 - sourceY : sourceY) * pixels.stride;
        for (int x = 0; x < width_; ++x) {
            const std::uint8_t* pixel = row + 3 * (x / scale);
            XPutPixel(image, x, y,
                      Channel(pixel[2], visual->red_mask) | Channel(pixel[1], visual->green_mask) |
                          Channel(pixel[0], visual->blue_mask) | opaque);
        }
    }
    GC gc = XCreateGC(display, pixmap_, 0, nullptr);
    XPutImage(display, pixmap_, gc, image, 0, 0, 0, 0, width_, height_);
    XFreeGC(display, gc);
    XDestroyImage(image);
}

ServerPicture::~ServerPicture() {
    XFreePixmap(connection_.Get(), pixmap_);
}

} // namespace platform::x11
