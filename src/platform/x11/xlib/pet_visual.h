// The visual the pet's window and its pictures are made for.
//
// An X server started by a Wayland compositor (Xwayland) hands each window's pixels to the
// compositor, and not every compositor cuts a window to its shape: wlroots' (sway's) show the
// whole rectangle, black outside the shape. There the pet draws on a 32-bit visual with an
// alpha channel, transparent outside its shape, which every compositor blends. Elsewhere it
// draws on the screen's default visual, which the X server itself cuts to the shape.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "platform/x11/xlib/display.h"

namespace platform::x11 {

struct PetVisual {
    Visual* visual = nullptr; // null: the screen's default visual
    int depth = 0;
    Colormap colormap = None; // the visual's own (a window of a visual not the root's needs one)

    bool HasAlpha() const { return visual != nullptr; }
};

// A 32-bit TrueColor visual whose pixels carry alpha in the bits its colours leave free, with a
// colormap made for it, if the screen has one.
std::optional<PetVisual> AlphaVisual(Connection& connection);

// The visual for the pet on this server: with alpha under Xwayland (when the screen offers
// one), the default visual otherwise.
PetVisual ChoosePetVisual(Connection& connection);

} // namespace platform::x11
