// What the shared suites need from the backend they run on: the fake platform natively, real
// GDI under Wine. Each test program links exactly one implementation of this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "gdi/handles.h"

namespace backend {

struct LiveObjectCounts {
    int dcs = 0;
    int bitmaps = 0;
    int regions = 0;
    bool operator==(const LiveObjectCounts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const LiveObjectCounts& counts) {
    return out << counts.dcs << " DCs, " << counts.bitmaps << " bitmaps, " << counts.regions
               << " regions";
}

// Puts the platform's adjustable state back to its start (the fake's screen, modules and
// message boxes); nothing on the real platform.
void Reset();

// The project's resource-only test module, opened by path for the other-module cases, and a
// path that names no loadable module.
std::string OtherModulePath();
std::string MissingModulePath();

// How many times the process holds `path` opened as a module that was not freed yet.
int OpenModuleCount(const std::string& path);

// DCs, bitmaps and regions alive now: the fake counts its own; on real GDI (Wine) they are
// read from the process's GDI handle table and the program's own calls (tests/win32/gdi_watch.h).
LiveObjectCounts LiveObjects();

// Calls the platform saw that the real one would refuse or that corrupt its state (a handle
// released twice, a bitmap deleted while selected, ...): recorded by the fake itself, on real
// GDI by watching the program's calls. Reset() starts the record afresh.
std::vector<std::string> PlatformMisuses();

// The region-data block of the window's shape, as the window system holds it; none when the
// window has no shape.
std::optional<std::vector<std::byte>> WindowShape(platform::WindowHandle window);

// How opaque the window system shows the window, 0 to 255: its alpha while it is layered with
// an opacity set, else 255.
std::uint8_t WindowOpacity(platform::WindowHandle window);

// The formats on the open clipboard, in the order the system enumerates them (formats the
// system synthesizes from the offered ones come after those), and its bitmap, borrowed: none
// if there is none.
std::vector<std::uint32_t> ClipboardFormats();
platform::BitmapHandle ClipboardBitmap();

// A path the test program can open for a file of the source tree, e.g. "resources/frames/101.bmp".
std::string SourcePath(const std::string& relative);

} // namespace backend
