// The clipboard, with Win32's calls and meanings. The one format the program offers is a
// device-dependent bitmap (CF_BITMAP).
#pragma once

#include <cstdint>

#include "gdi/gdi.h"
#include "gdi/handles.h"

namespace platform {

inline constexpr std::uint32_t kClipboardFormatBitmap = 2; // CF_BITMAP

// Opens the clipboard for this task; `owner` may be none. False when another task has it open.
bool OpenClipboard(WindowHandle owner);

// Removes every format and takes ownership of the clipboard; it must be open.
bool EmptyClipboard();

// Puts `bitmap` on the open clipboard under `format`. On success the clipboard owns the bitmap
// and `bitmap` comes back empty; on failure `bitmap` keeps it, so its owner deletes it.
bool SetClipboardData(std::uint32_t format, Bitmap& bitmap);

bool CloseClipboard();

} // namespace platform
