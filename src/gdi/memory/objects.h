// The in-memory table of GDI objects (bitmaps, DCs, regions) that every backend but Win32's
// keeps, shared by the GDI, region and resource files here and by the backend's windows and
// menus. Handles are numbered from one counter and never reused, so a handle that was released
// once stays unknown and every late use of it is caught.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gdi/handles.h"
#include "gdi/memory/band_region.h"
#include "gdi/memory/window_host.h"

namespace platform::memory::detail {

// The desktop window: its DC is the screen.
inline constexpr WindowHandle kDesktopWindow{0x10};

// A bitmap with real pixel memory: three bytes per pixel (blue, green, red), rows `stride`
// bytes apart and stored bottom-up when `bottomUp`, as a 24-bit DIB section lays them out.
// Monochrome bitmaps keep the same layout and hold only black and white.
struct BitmapObject {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
    bool bottomUp = false;
    bool dibSection = false;
    bool monochrome = false;
    std::uint16_t bitsPixel = 24; // what GetObject reports
    std::unique_ptr<std::uint8_t[]> pixels;
    DcHandle selectedInto{};
    // Counts the changes of the pixels (blits into the bitmap, and direct writes reported
    // with BitsChanged): a backend that keeps a copy on a server makes it again only when
    // this has moved on.
    std::uint64_t version = 0;

    // Pixel (x, y), y counted from the top line of the picture.
    std::uint8_t* At(std::int32_t x, std::int32_t y) {
        std::int32_t row = bottomUp ? height - 1 - y : y;
        return pixels.get() + static_cast<std::ptrdiff_t>(row) * stride + x * 3;
    }
};

// Makes a zeroed bitmap of the given size; null when the size is refused.
std::unique_ptr<BitmapObject> MakeBitmap(std::int32_t width, std::int32_t height, bool bottomUp);

struct DcObject {
    bool memory = false;     // memory DC: draws into its selected bitmap
    BitmapHandle selected{}; // memory DCs only
    WindowHandle window{};   // window DCs: the window (the desktop window is the screen)
};

struct RegionObject {
    BandRegion region;
    WindowHandle owner{}; // the window that owns it, if it was given to one
};

struct Objects {
    std::map<std::uintptr_t, std::unique_ptr<BitmapObject>> bitmaps;
    std::map<std::uintptr_t, DcObject> dcs;
    std::map<std::uintptr_t, std::unique_ptr<RegionObject>> regions;
    // The default bitmap of every new memory DC (1 x 1, monochrome) and the screen's surface:
    // system objects, never counted and never deleted.
    BitmapHandle stockBitmap{};
    BitmapHandle screenSurface{};
    std::uintptr_t nextHandle = 0x10000;
};

Objects& TheObjects();
std::uintptr_t NewHandleValue();

BitmapObject* FindBitmap(BitmapHandle bitmap);
DcObject* FindDc(DcHandle dc);
RegionObject* FindRegion(RegionHandle region);

BitmapHandle AddBitmap(std::unique_ptr<BitmapObject> bitmap);
RegionHandle AddRegion(std::unique_ptr<RegionObject> region);
BitmapHandle StockBitmap();
// The screen's pixels, sized to the current screen.
BitmapHandle ScreenSurface();

// Removes a region from the table without the checks of DeleteObject (the window system
// releasing a region it owns).
void DestroyRegion(RegionHandle region);

// Records a call the real platform would refuse or that would corrupt its state: a release
// of a handle that is not live, a deletion of a bitmap still selected into a DC, of a region
// that a window owns, and the like.
void RecordMisuse(std::string what);

// The misuses recorded so far, in the order they happened; the test controls
// (tests/controls/live_objects.h) read and clear it.
std::vector<std::string>& MisuseLog();

} // namespace platform::memory::detail
