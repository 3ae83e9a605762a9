#include "platform/x11/xlib/pet_visual.h"

#include <X11/Xutil.h>

#include <bit>

#include "platform/x11/xlib/screen.h"

namespace platform::x11 {

std::optional<PetVisual> AlphaVisual(Connection& connection) {
    ::Display* display = connection.Get();
    XVisualInfo wanted{};
    wanted.screen = connection.ScreenNumber();
    wanted.depth = 32;
    wanted.c_class = TrueColor;
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(display, VisualScreenMask | VisualDepthMask | VisualClassMask,
                                        &wanted, &count);
    std::optional<PetVisual> chosen;
    for (int i = 0; i < count && !chosen; ++i) {
        const XVisualInfo& info = found[i];
        // Eight bits each for red, green and blue, and eight left for alpha.
        if (std::popcount(info.red_mask | info.green_mask | info.blue_mask) == 24) {
            chosen = PetVisual{info.visual, 32,
                               XCreateColormap(display, connection.Root(), info.visual, AllocNone)};
        }
    }
    if (found != nullptr) {
        XFree(found);
    }
    return chosen;
}

PetVisual ChoosePetVisual(Connection& connection) {
    if (ServedByXwayland(connection)) {
        if (std::optional<PetVisual> alpha = AlphaVisual(connection)) {
            return *alpha;
        }
    }
    return {};
}

} // namespace platform::x11
