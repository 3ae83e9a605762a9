#include "platform/clipboard.h"

#include <windows.h>

#include "platform/win32/handle_cast.h"

namespace platform {

using win32::ToHbitmap;
using win32::ToHwnd;

bool OpenClipboard(WindowHandle owner) {
    return ::OpenClipboard(ToHwnd(owner)) != FALSE;
}

bool EmptyClipboard() {
    return ::EmptyClipboard() != FALSE;
}

bool SetClipboardData(std::uint32_t format, Bitmap& bitmap) {
    if (::SetClipboardData(format, ToHbitmap(bitmap.get())) == nullptr) {
        return false;
    }
    (void)bitmap.release(); // the clipboard owns it now
    return true;
}

bool CloseClipboard() {
    return ::CloseClipboard() != FALSE;
}

std::vector<std::uint32_t> EnumClipboardFormats() {
    std::vector<std::uint32_t> formats;
    for (UINT format = ::EnumClipboardFormats(0); format != 0;
         format = ::EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    return formats;
}

BitmapHandle GetClipboardBitmap() {
    return win32::FromNative<BitmapHandle>(::GetClipboardData(CF_BITMAP));
}

} // namespace platform
