// Test controls of the fake backend's clipboard: what is on it and who has it open, and
// refusals on request.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "gdi/handles.h"

namespace platform::fake {

struct ClipboardEntry {
    std::uint32_t format;
    BitmapHandle bitmap; // owned by the clipboard
};

// What the clipboard holds, in the order it was set.
const std::vector<ClipboardEntry>& ClipboardContents();

// Whether some task has the clipboard open now, and how often it was opened.
bool ClipboardIsOpen();
int ClipboardOpenCount();

// Makes OpenClipboard fail (another task holds the clipboard) or SetClipboardData refuse.
void SetClipboardBusy(bool busy);
void SetClipboardRefusesData(bool refuses);

// Closes and empties the clipboard (deleting the bitmaps it owns) and clears the refusals.
void ResetClipboard();

} // namespace platform::fake
