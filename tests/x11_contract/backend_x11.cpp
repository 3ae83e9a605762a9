// What the contract suite asks of the backend beyond the contract, on X11: a window's shape
// as the X server holds it.
#include "platform/x11/contract/session.h" // first: see there

#include <X11/extensions/shape.h>

#include <algorithm>

#include "platform/region_data.h"
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

} // namespace backend
