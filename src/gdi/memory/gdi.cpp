// GDI in memory: memory DCs that hold a selected bitmap, DIB sections with real pixel memory,
// and BitBlt that really computes the raster operation on the pixels, clipped to both surfaces
// as GDI clips them. Window DCs draw on an in-memory screen, at the window's rectangle.
#include "gdi/gdi.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "gdi/memory/objects.h"

namespace platform {
namespace {

using memory::detail::BitmapObject;
using memory::detail::DcObject;
using memory::detail::FindBitmap;
using memory::detail::FindDc;
using memory::detail::RecordMisuse;
using memory::detail::TheObjects;

// Where a DC draws: a bitmap, the device position of the DC's origin on it, and the part of
// it the DC may touch.
struct Surface {
    BitmapObject* bitmap = nullptr;
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    std::int64_t clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
};

std::optional<Surface> SurfaceOf(DcHandle dc) {
    const DcObject* object = FindDc(dc);
    if (object == nullptr) {
        return std::nullopt;
    }
    Surface surface;
    if (object->memory) {
        surface.bitmap = FindBitmap(object->selected);
    } else {
        surface.bitmap = FindBitmap(memory::detail::ScreenSurface());
        if (object->window != memory::detail::kDesktopWindow) {
            PixelRect rect = memory::host::GetWindowRect(object->window);
            surface.originX = rect.left;
            surface.originY = rect.top;
            surface.clipLeft = rect.left;
            surface.clipTop = rect.top;
            surface.clipRight = std::min<std::int64_t>(rect.right, surface.bitmap->width);
            surface.clipBottom = std::min<std::int64_t>(rect.bottom, surface.bitmap->height);
            surface.clipLeft = std::max<std::int64_t>(surface.clipLeft, 0);
            surface.clipTop = std::max<std::int64_t>(surface.clipTop, 0);
            return surface;
        }
    }
    if (surface.bitmap == nullptr) {
        return std::nullopt;
    }
    surface.clipRight = surface.bitmap->width;
    surface.clipBottom = surface.bitmap->height;
    return surface;
}

// The index byte of a ternary raster operation: bit (P * 4 + S * 2 + D) gives the result for
// pattern, source and destination bits P, S and D.
std::uint8_t RopIndex(std::uint32_t rop) {
    return static_cast<std::uint8_t>(rop >> 16);
}

bool RopUsesSource(std::uint8_t index) {
    return ((index >> 2) ^ index) & 0x33;
}

// The DC's brush is the default white brush, so every pattern bit is 1.
std::uint8_t ApplyRop(std::uint8_t index, std::uint8_t source, std::uint8_t destination) {
    std::uint8_t result = 0;
    for (int sd = 0; sd < 4; ++sd) {
        if (index & (1u << (4 + sd))) {
            std::uint8_t s = (sd & 2) ? source : static_cast<std::uint8_t>(~source);
            std::uint8_t d = (sd & 1) ? destination : static_cast<std::uint8_t>(~destination);
            result |= s & d;
        }
    }
    return result;
}

// Narrows the span [from, from + count) of offsets so that `start + offset` stays inside
// [low, high).
void ClipSpan(std::int64_t start, std::int64_t low, std::int64_t high, std::int64_t& from,
              std::int64_t& to) {
    from = std::max(from, low - start);
    to = std::min(to, high - start);
}

} // namespace

MemoryDc CreateCompatibleDC(DcHandle dc) {
    if (!IsNull(dc) && FindDc(dc) == nullptr) {
        return {};
    }
    DcObject object;
    object.memory = true;
    object.selected = memory::detail::StockBitmap();
    std::uintptr_t value = memory::detail::NewHandleValue();
    TheObjects().dcs.emplace(value, object);
    return MemoryDc(DcHandle{value});
}

bool DeleteDC(DcHandle dc) {
    DcObject* object = FindDc(dc);
    if (object == nullptr || !object->memory) {
        RecordMisuse("DeleteDC of a handle that is not a live memory DC");
        return false;
    }
    if (BitmapObject* selected = FindBitmap(object->selected)) {
        selected->selectedInto = {};
    }
    TheObjects().dcs.erase(static_cast<std::uintptr_t>(dc));
    return true;
}

Bitmap CreateDIBSection(DcHandle dc, const BitmapInfo& info, std::uint32_t usage, void** bits) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    const BitmapInfoHeader& header = info.bmiHeader;
    if (!IsNull(dc) && FindDc(dc) == nullptr) {
        return {};
    }
    // This backend makes the 24-bit uncompressed sections the program uses, nothing else.
    if (usage != kDibRgbColors || header.biSize < 40 || header.biPlanes != 1 ||
        header.biBitCount != 24 || header.biCompression != kBiRgb || header.biHeight == 0 ||
        header.biHeight == INT32_MIN) {
        return {};
    }
    bool bottomUp = header.biHeight > 0;
    auto bitmap = memory::detail::MakeBitmap(
        header.biWidth, bottomUp ? header.biHeight : -header.biHeight, bottomUp);
    if (!bitmap) {
        return {};
    }
    bitmap->dibSection = true;
    if (bits != nullptr) {
        *bits = bitmap->pixels.get();
    }
    return Bitmap(memory::detail::AddBitmap(std::move(bitmap)));
}

Bitmap CreateCompatibleBitmap(DcHandle dc, std::int32_t width, std::int32_t height) {
    const DcObject* object = FindDc(dc);
    if (object == nullptr) {
        return {};
    }
    // A memory DC's device is its selected bitmap: the default one is monochrome.
    const BitmapObject* format = object->memory ? FindBitmap(object->selected) : nullptr;
    bool monochrome = format != nullptr && format->monochrome;
    auto bitmap = memory::detail::MakeBitmap(width, height, false);
    if (!bitmap) {
        return {};
    }
    bitmap->monochrome = monochrome;
    bitmap->bitsPixel = monochrome ? 1 : 32;
    return Bitmap(memory::detail::AddBitmap(std::move(bitmap)));
}

BitmapHandle SelectObject(DcHandle dc, BitmapHandle bitmap) {
    DcObject* object = FindDc(dc);
    BitmapObject* incoming = FindBitmap(bitmap);
    if (object == nullptr || !object->memory || incoming == nullptr ||
        bitmap == TheObjects().screenSurface) {
        return {};
    }
    if (object->selected == bitmap) {
        return bitmap;
    }
    // A bitmap can be selected into one DC at a time; the stock bitmap into any number.
    if (!IsNull(incoming->selectedInto) && bitmap != memory::detail::StockBitmap()) {
        return {};
    }
    BitmapHandle previous = object->selected;
    if (BitmapObject* outgoing = FindBitmap(previous)) {
        outgoing->selectedInto = {};
    }
    if (bitmap != memory::detail::StockBitmap()) {
        incoming->selectedInto = dc;
    }
    object->selected = bitmap;
    return previous;
}

bool DeleteObject(BitmapHandle bitmap) {
    BitmapObject* object = FindBitmap(bitmap);
    if (object == nullptr) {
        RecordMisuse("DeleteObject of a bitmap handle that is not live");
        return false;
    }
    if (bitmap == TheObjects().stockBitmap || bitmap == TheObjects().screenSurface) {
        return true; // system objects ignore deletion
    }
    if (!IsNull(object->selectedInto)) {
        RecordMisuse("DeleteObject of a bitmap still selected into a DC");
        return false;
    }
    TheObjects().bitmaps.erase(static_cast<std::uintptr_t>(bitmap));
    return true;
}

bool BitBlt(DcHandle destination, std::int32_t x, std::int32_t y, std::int32_t width,
            std::int32_t height, DcHandle source, std::int32_t sourceX, std::int32_t sourceY,
            std::uint32_t rop) {
    std::optional<Surface> to = SurfaceOf(destination);
    if (!to) {
        return false;
    }
    std::uint8_t index = RopIndex(rop);
    bool usesSource = RopUsesSource(index);
    std::optional<Surface> from;
    if (usesSource) {
        from = SurfaceOf(source);
        if (!from) {
            return false;
        }
    }
    if (width <= 0 || height <= 0) {
        return true;
    }
    std::int64_t dx0 = to->originX + x, dy0 = to->originY + y;
    std::int64_t sx0 = 0, sy0 = 0;
    std::int64_t left = 0, right = width, top = 0, bottom = height;
    ClipSpan(dx0, to->clipLeft, to->clipRight, left, right);
    ClipSpan(dy0, to->clipTop, to->clipBottom, top, bottom);
    if (usesSource) {
        sx0 = from->originX + sourceX;
        sy0 = from->originY + sourceY;
        ClipSpan(sx0, from->clipLeft, from->clipRight, left, right);
        ClipSpan(sy0, from->clipTop, from->clipBottom, top, bottom);
    }
    if (left >= right || top >= bottom) {
        return true;
    }
    std::int64_t columns = right - left;
    // Read the whole source block first: source and destination may be the same bitmap.
    std::vector<std::uint8_t> block(static_cast<std::size_t>(columns * (bottom - top) * 3));
    if (usesSource) {
        for (std::int64_t row = top; row < bottom; ++row) {
            const std::uint8_t* pixel = from->bitmap->At(static_cast<std::int32_t>(sx0 + left),
                                                         static_cast<std::int32_t>(sy0 + row));
            std::copy_n(pixel, columns * 3, block.begin() + (row - top) * columns * 3);
        }
    }
    bool plainCopy = index == RopIndex(kSrcCopy) && !to->bitmap->monochrome;
    for (std::int64_t row = top; row < bottom; ++row) {
        std::uint8_t* pixel = to->bitmap->At(static_cast<std::int32_t>(dx0 + left),
                                             static_cast<std::int32_t>(dy0 + row));
        const std::uint8_t* in = block.data() + (row - top) * columns * 3;
        if (plainCopy) {
            std::copy_n(in, columns * 3, pixel);
            continue;
        }
        for (std::int64_t column = 0; column < columns; ++column, pixel += 3, in += 3) {
            std::uint8_t out[3];
            for (int channel = 0; channel < 3; ++channel) {
                out[channel] = ApplyRop(index, in[channel], pixel[channel]);
            }
            if (to->bitmap->monochrome) {
                // Colour to monochrome: the background colour (white) becomes white, every
                // other colour black.
                bool white = out[0] == 255 && out[1] == 255 && out[2] == 255;
                std::fill_n(out, 3, white ? 255 : 0);
            }
            std::copy_n(out, 3, pixel);
        }
    }
    ++to->bitmap->version;
    return true;
}

void BitsChanged(BitmapHandle bitmap) {
    if (BitmapObject* object = FindBitmap(bitmap)) {
        ++object->version;
    }
}

std::int32_t GetObject(BitmapHandle bitmap, BitmapRecord& record) {
    BitmapObject* object = FindBitmap(bitmap);
    if (object == nullptr) {
        return 0;
    }
    record.bmType = 0;
    record.bmWidth = object->width;
    record.bmHeight = object->height;
    record.bmWidthBytes =
        object->dibSection ? object->stride : (object->width * object->bitsPixel + 15) / 16 * 2;
    record.bmPlanes = 1;
    record.bmBitsPixel = object->bitsPixel;
    record.bmBits = object->dibSection ? object->pixels.get() : nullptr;
    return static_cast<std::int32_t>(sizeof(BitmapRecord));
}

WindowHandle GetDesktopWindow() {
    return memory::detail::kDesktopWindow;
}

WindowDc GetDC(WindowHandle window) {
    if (window != memory::detail::kDesktopWindow && !memory::host::IsWindow(window)) {
        return {};
    }
    DcObject object;
    object.window = window;
    std::uintptr_t value = memory::detail::NewHandleValue();
    TheObjects().dcs.emplace(value, object);
    return WindowDc(window, DcHandle{value});
}

bool ReleaseDC(WindowHandle window, DcHandle dc) {
    DcObject* object = FindDc(dc);
    if (object == nullptr || object->memory || object->window != window) {
        RecordMisuse("ReleaseDC of a handle that is not that window's live DC");
        return false;
    }
    TheObjects().dcs.erase(static_cast<std::uintptr_t>(dc));
    return true;
}

} // namespace platform
