// The fake clipboard: one per process, it owns the bitmaps put on it and deletes them when it
// is emptied, and follows the Win32 rules on opening (one task at a time; setting data and
// emptying need it open). It offers only what was put on it: no formats are synthesized.
#include "platform/clipboard.h"

#include <algorithm>

#include "platform/fake/fake_clipboard.h"
#include "platform/fake/memory_objects.h"

namespace platform {
namespace {

struct ClipboardState {
    bool open = false;
    int openCount = 0;
    bool busy = false;
    bool refuses = false;
    std::vector<fake::ClipboardEntry> contents;
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

void DeleteContents() {
    for (const fake::ClipboardEntry& entry : State().contents) {
        DeleteObject(entry.bitmap);
    }
    State().contents.clear();
}

} // namespace

bool OpenClipboard(WindowHandle) {
    if (State().open || State().busy) {
        return false;
    }
    State().open = true;
    ++State().openCount;
    return true;
}

bool EmptyClipboard() {
    if (!State().open) {
        return false;
    }
    DeleteContents();
    return true;
}

bool SetClipboardData(std::uint32_t format, Bitmap& bitmap) {
    if (!State().open || State().refuses || format != kClipboardFormatBitmap ||
        fake::detail::FindBitmap(bitmap.get()) == nullptr) {
        return false;
    }
    auto& contents = State().contents;
    auto same = std::find_if(contents.begin(), contents.end(),
                             [&](const auto& entry) { return entry.format == format; });
    if (same != contents.end()) {
        DeleteObject(same->bitmap);
        contents.erase(same);
    }
    contents.push_back({format, bitmap.release()});
    return true;
}

bool CloseClipboard() {
    bool wasOpen = State().open;
    State().open = false;
    return wasOpen;
}

namespace fake {

const std::vector<ClipboardEntry>& ClipboardContents() {
    return State().contents;
}

bool ClipboardIsOpen() {
    return State().open;
}

int ClipboardOpenCount() {
    return State().openCount;
}

void SetClipboardBusy(bool busy) {
    State().busy = busy;
}

void SetClipboardRefusesData(bool refuses) {
    State().refuses = refuses;
}

void ResetClipboard() {
    DeleteContents();
    State() = ClipboardState{};
}

} // namespace fake
} // namespace platform
