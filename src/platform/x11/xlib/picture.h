// A 24-bit picture uploaded to the X server once, as a pixmap that windows show: a window
// given it as its background has it painted by the server itself, unscaled from its top-left
// corner, on every exposure, with no round trip to the program.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>

#include "platform/x11/xlib/display.h"
#include "platform/x11/xlib/pet_visual.h"

namespace platform::x11 {

// 24-bit pixels, three bytes each (blue, green, red), rows `stride` bytes apart; the first
// row in memory is the bottom one when `bottomUp` (as in a DIB section).
struct PixelView {
    int width;
    int height;
    std::ptrdiff_t stride;
    const std::uint8_t* bgr;
    bool bottomUp;
};

class ServerPicture {
  public:
    // Uploads `pixels` (at least 1x1) for windows of `visual`, each pixel drawn as a square of
    // `scale` x `scale` (nearest neighbour: crisp). With alpha, every pixel is opaque.
    ServerPicture(Connection& connection, const PixelView& pixels, int scale = 1,
                  const PetVisual& visual = {});
    ~ServerPicture();
    ServerPicture(const ServerPicture&) = delete;
    ServerPicture& operator=(const ServerPicture&) = delete;

    Pixmap Get() const { return pixmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    Connection& connection_;
    Pixmap pixmap_;
    int width_;
    int height_;
};

} // namespace platform::x11
