// What the contract suite asks of the backend beyond the contract, on X11: a window's shape
// and its opacity as the X server holds them.
#include "platform/x11/session.h" // first: see there

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <algorithm>

#include "gdi/region_data.h"
#include "shared/backend.h"

namespace backend {

std::optional<std::vector<std::byte>> WindowShape(platform::WindowHandle window) {
    platform::x11::Session& session = platform::x11::Session::Get();
    platform::x11::FormWindow* form = session.Find(window);
    if (form == nullptr) {
        return std::nullopt;
    }
    ::Display* display = session.GetConnection().Get();
    Bool shaped = False;
    Bool clipShaped = False;
    int x = 0, y = 0, clipX = 0, clipY = 0;
    unsigned width = 0, height = 0, clipWidth = 0, clipHeight = 0;
    XShapeQueryExtents(display, form->window->Id(), &shaped, &x, &y, &width, &height, &clipShaped,
                       &clipX, &clipY, &clipWidth, &clipHeight);
    if (!shaped) {
        return std::nullopt;
    }
    int count = 0;
    int ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(display, form->window->Id(), ShapeBounding, &count, &ordering);
    std::vector<platform::RegionRect> shape;
    for (int i = 0; i < count; ++i) {
        shape.push_back(
            {rects[i].x, rects[i].y, rects[i].x + rects[i].width, rects[i].y + rects[i].height});
    }
    XFree(rects);
    std::vector<std::uint8_t> block = platform::RegionDataBlock(shape);
    std::vector<std::byte> bytes(block.size());
    std::transform(block.begin(), block.end(), bytes.begin(),
                   [](std::uint8_t b) { return std::byte{b}; });
    return bytes;
}

std::uint8_t WindowOpacity(platform::WindowHandle window) {
    platform::x11::Session& session = platform::x11::Session::Get();
    platform::x11::FormWindow* form = session.Find(window);
    if (form == nullptr) {
        return 255;
    }
    ::Display* display = session.GetConnection().Get();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::uint8_t opacity = 255;
    // The window's opacity property, 0 to 0xFFFFFFFF (a compositor shows it); none is opaque.
    if (XGetWindowProperty(display, form->window->Id(),
                           XInternAtom(display, "_NET_WM_WINDOW_OPACITY", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        format == 32 && count == 1) {
        opacity = static_cast<std::uint8_t>(
            (*reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFUL) >> 24);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return opacity;
}

} // namespace backend
