#include "platform/clipboard.h"

#include <windows.h>

#include "gdi/win32/handle_cast.h"

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

} // namespace platform
