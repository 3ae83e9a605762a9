// The object table and the misuse log.
#include "gdi/memory/objects.h"

#include <utility>

namespace platform::memory::detail {
namespace {

// Sections larger than this are refused, as a real system refuses what it cannot map.
constexpr std::int64_t kMaxBitmapBytes = 256 * 1024 * 1024;

} // namespace

std::vector<std::string>& MisuseLog() {
    static std::vector<std::string> log;
    return log;
}

Objects& TheObjects() {
    static Objects objects;
    return objects;
}

std::uintptr_t NewHandleValue() {
    Objects& objects = TheObjects();
    objects.nextHandle += 4;
    return objects.nextHandle;
}

std::unique_ptr<BitmapObject> MakeBitmap(std::int32_t width, std::int32_t height, bool bottomUp) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    std::int64_t stride = (static_cast<std::int64_t>(width) * 3 + 3) & ~std::int64_t{3};
    std::int64_t bytes = stride * height;
    if (bytes > kMaxBitmapBytes) {
        return nullptr;
    }
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->stride = static_cast<std::int32_t>(stride);
    bitmap->bottomUp = bottomUp;
    bitmap->pixels = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(bytes));
    return bitmap;
}

BitmapObject* FindBitmap(BitmapHandle bitmap) {
    auto& bitmaps = TheObjects().bitmaps;
    auto found = bitmaps.find(static_cast<std::uintptr_t>(bitmap));
    return found == bitmaps.end() ? nullptr : found->second.get();
}

DcObject* FindDc(DcHandle dc) {
    auto& dcs = TheObjects().dcs;
    auto found = dcs.find(static_cast<std::uintptr_t>(dc));
    return found == dcs.end() ? nullptr : &found->second;
}

RegionObject* FindRegion(RegionHandle region) {
    auto& regions = TheObjects().regions;
    auto found = regions.find(static_cast<std::uintptr_t>(region));
    return found == regions.end() ? nullptr : found->second.get();
}

BitmapHandle AddBitmap(std::unique_ptr<BitmapObject> bitmap) {
    std::uintptr_t value = NewHandleValue();
    TheObjects().bitmaps.emplace(value, std::move(bitmap));
    return BitmapHandle{value};
}

RegionHandle AddRegion(std::unique_ptr<RegionObject> region) {
    std::uintptr_t value = NewHandleValue();
    TheObjects().regions.emplace(value, std::move(region));
    return RegionHandle{value};
}

BitmapHandle StockBitmap() {
    Objects& objects = TheObjects();
    if (IsNull(objects.stockBitmap)) {
        auto bitmap = MakeBitmap(1, 1, false);
        bitmap->monochrome = true;
        bitmap->bitsPixel = 1;
        objects.stockBitmap = AddBitmap(std::move(bitmap));
    }
    return objects.stockBitmap;
}

BitmapHandle ScreenSurface() {
    Objects& objects = TheObjects();
    ScreenSize screen = host::GetScreenSize();
    BitmapObject* surface = FindBitmap(objects.screenSurface);
    if (surface == nullptr || surface->width != screen.width || surface->height != screen.height) {
        if (surface != nullptr) {
            objects.bitmaps.erase(static_cast<std::uintptr_t>(objects.screenSurface));
        }
        auto bitmap = MakeBitmap(screen.width, screen.height, false);
        bitmap->bitsPixel = 32;
        objects.screenSurface = AddBitmap(std::move(bitmap));
    }
    return objects.screenSurface;
}

void DestroyRegion(RegionHandle region) {
    TheObjects().regions.erase(static_cast<std::uintptr_t>(region));
}

void RecordMisuse(std::string what) {
    MisuseLog().push_back(std::move(what));
}

} // namespace platform::memory::detail
