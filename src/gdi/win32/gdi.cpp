// GDI on Win32: straight calls, the handles converted on the way in and out.
#include "gdi/gdi.h"

#include <cstring>

#include "gdi/win32/handle_cast.h"

#undef GetObject // the platform's own name, not the ANSI/Unicode macro

namespace platform {

using win32::FromNative;
using win32::ToHbitmap;
using win32::ToHdc;
using win32::ToHwnd;

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(sizeof(BitmapInfo) == sizeof(BITMAPINFO));
static_assert(sizeof(BitmapRecord) == sizeof(BITMAP));

MemoryDc CreateCompatibleDC(DcHandle dc) {
    return MemoryDc(FromNative<DcHandle>(::CreateCompatibleDC(ToHdc(dc))));
}

bool DeleteDC(DcHandle dc) {
    return ::DeleteDC(ToHdc(dc)) != FALSE;
}

Bitmap CreateDIBSection(DcHandle dc, const BitmapInfo& info, std::uint32_t usage, void** bits) {
    BITMAPINFO native{};
    std::memcpy(&native, &info, sizeof native); // same layout, checked above
    HBITMAP section = ::CreateDIBSection(ToHdc(dc), &native, usage, bits, nullptr, 0);
    if (section == nullptr && bits != nullptr) {
        *bits = nullptr;
    }
    return Bitmap(FromNative<BitmapHandle>(section));
}

Bitmap CreateCompatibleBitmap(DcHandle dc, std::int32_t width, std::int32_t height) {
    return Bitmap(FromNative<BitmapHandle>(::CreateCompatibleBitmap(ToHdc(dc), width, height)));
}

BitmapHandle SelectObject(DcHandle dc, BitmapHandle bitmap) {
    HGDIOBJ previous = ::SelectObject(ToHdc(dc), ToHbitmap(bitmap));
    // HGDI_ERROR (-1) and null both mean failure.
    if (previous == HGDI_ERROR) {
        return {};
    }
    return FromNative<BitmapHandle>(previous);
}

bool DeleteObject(BitmapHandle bitmap) {
    return ::DeleteObject(ToHbitmap(bitmap)) != FALSE;
}

void BitsChanged(BitmapHandle) {}

bool BitBlt(DcHandle destination, std::int32_t x, std::int32_t y, std::int32_t width,
            std::int32_t height, DcHandle source, std::int32_t sourceX, std::int32_t sourceY,
            std::uint32_t rop) {
    return ::BitBlt(ToHdc(destination), x, y, width, height, ToHdc(source), sourceX, sourceY,
                    rop) != FALSE;
}

std::int32_t GetObject(BitmapHandle bitmap, BitmapRecord& record) {
    if (GetObjectType(ToHbitmap(bitmap)) != OBJ_BITMAP) {
        return 0;
    }
    BITMAP native{};
    int written = ::GetObjectA(ToHbitmap(bitmap), sizeof native, &native);
    if (written == 0) {
        return 0;
    }
    record.bmType = native.bmType;
    record.bmWidth = native.bmWidth;
    record.bmHeight = native.bmHeight;
    record.bmWidthBytes = native.bmWidthBytes;
    record.bmPlanes = native.bmPlanes;
    record.bmBitsPixel = native.bmBitsPixel;
    record.bmBits = native.bmBits;
    return written;
}

WindowHandle GetDesktopWindow() {
    return FromNative<WindowHandle>(::GetDesktopWindow());
}

WindowDc GetDC(WindowHandle window) {
    return WindowDc(window, FromNative<DcHandle>(::GetDC(ToHwnd(window))));
}

bool ReleaseDC(WindowHandle window, DcHandle dc) {
    return ::ReleaseDC(ToHwnd(window), ToHdc(dc)) != 0;
}

} // namespace platform
