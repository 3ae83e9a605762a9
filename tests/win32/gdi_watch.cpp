#include "gdi_watch.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "gdi/gdi.h"
#include "gdi_handle_table.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace gdi_watch {
namespace {

using gdi_handle_table::HandleEntry;
using gdi_handle_table::kHandleCount;

const HandleEntry* HandleTable() {
    return static_cast<const HandleEntry*>(gdi_handle_table::TableAddress(GetCurrentProcess()));
}

// What the watched calls have seen: the window DCs out, the bitmap selected into each memory
// DC, the regions that windows own, the misuses.
std::mutex lock;
std::map<HDC, int> windowDcsOut;
std::map<HDC, HGDIOBJ> selectedBitmaps;
std::set<HRGN> windowRegions;
std::vector<std::string> misuses;

void Record(const char* what) {
    misuses.emplace_back(what);
}

bool IsA(HGDIOBJ handle, DWORD type) {
    return handle != nullptr && GetObjectType(handle) == type;
}

decltype(&::DeleteDC) realDeleteDC;
decltype(&::DeleteObject) realDeleteObject;
decltype(&::SelectObject) realSelectObject;
decltype(&::GetDC) realGetDC;
decltype(&::GetWindowDC) realGetWindowDC;
decltype(&::ReleaseDC) realReleaseDC;
decltype(&::SetWindowRgn) realSetWindowRgn;
decltype(&::DestroyWindow) realDestroyWindow;

BOOL WINAPI WatchedDeleteDC(HDC dc) {
    {
        std::lock_guard guard(lock);
        if (!IsA(dc, OBJ_MEMDC)) {
            Record("DeleteDC of a handle that is not a live memory DC");
        }
        selectedBitmaps.erase(dc);
    }
    return realDeleteDC(dc);
}

BOOL WINAPI WatchedDeleteObject(HGDIOBJ object) {
    {
        std::lock_guard guard(lock);
        DWORD type = object != nullptr ? GetObjectType(object) : 0;
        if (type == 0) {
            Record("DeleteObject of a handle that is not live");
        } else if (type == OBJ_BITMAP) {
            for (const auto& [dc, bitmap] : selectedBitmaps) {
                if (bitmap == object) {
                    Record("DeleteObject of a bitmap still selected into a DC");
                    break;
                }
            }
        } else if (type == OBJ_REGION && windowRegions.count(static_cast<HRGN>(object)) != 0) {
            Record("DeleteObject of a region that a window owns");
        }
    }
    return realDeleteObject(object);
}

HGDIOBJ WINAPI WatchedSelectObject(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = realSelectObject(dc, object);
    std::lock_guard guard(lock);
    if (previous != nullptr && IsA(object, OBJ_BITMAP) && IsA(dc, OBJ_MEMDC)) {
        selectedBitmaps[dc] = object;
    }
    return previous;
}

HDC WINAPI WatchedGetDC(HWND window) {
    HDC dc = realGetDC(window);
    std::lock_guard guard(lock);
    if (dc != nullptr) {
        ++windowDcsOut[dc];
    }
    return dc;
}

HDC WINAPI WatchedGetWindowDC(HWND window) {
    HDC dc = realGetWindowDC(window);
    std::lock_guard guard(lock);
    if (dc != nullptr) {
        ++windowDcsOut[dc];
    }
    return dc;
}

int WINAPI WatchedReleaseDC(HWND window, HDC dc) {
    int released = realReleaseDC(window, dc);
    std::lock_guard guard(lock);
    auto out = windowDcsOut.find(dc);
    if (released == 0 || out == windowDcsOut.end()) {
        Record("ReleaseDC of a handle that is not that window's live DC");
    } else if (--out->second == 0) {
        windowDcsOut.erase(out);
    }
    return released;
}

// The system owns a region given to a window: the window's previous one goes, and it goes
// with the window.
std::map<HWND, HRGN> regionOf;

int WINAPI WatchedSetWindowRgn(HWND window, HRGN region, BOOL redraw) {
    {
        std::lock_guard guard(lock);
        if (region != nullptr && !IsA(region, OBJ_REGION)) {
            Record("SetWindowRgn with a region handle that is not live");
        } else if (region != nullptr && windowRegions.count(region) != 0 &&
                   regionOf[window] != region) {
            Record("SetWindowRgn with a region that another window owns");
        }
    }
    int set = realSetWindowRgn(window, region, redraw);
    std::lock_guard guard(lock);
    if (set != 0) {
        windowRegions.erase(regionOf[window]);
        regionOf[window] = region;
        if (region != nullptr) {
            windowRegions.insert(region);
        }
    }
    return set;
}

BOOL WINAPI WatchedDestroyWindow(HWND window) {
    BOOL destroyed = realDestroyWindow(window);
    std::lock_guard guard(lock);
    if (destroyed) {
        auto owned = regionOf.find(window);
        if (owned != regionOf.end()) {
            windowRegions.erase(owned->second);
            regionOf.erase(owned);
        }
    }
    return destroyed;
}

// Points the program's import of `name` from `library` at `watched`; gives the real one.
template <typename Function>
void Watch(const char* library, const char* name, Function watched, Function& real) {
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    real = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(library), name)));
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), library) != 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) {
                continue;
            }
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                           &protection);
            real = reinterpret_cast<Function>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(watched);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
}

// Installed before any test runs.
[[maybe_unused]] const bool watching = [] {
    Watch("gdi32.dll", "DeleteDC", &WatchedDeleteDC, realDeleteDC);
    Watch("gdi32.dll", "DeleteObject", &WatchedDeleteObject, realDeleteObject);
    Watch("gdi32.dll", "SelectObject", &WatchedSelectObject, realSelectObject);
    Watch("user32.dll", "GetDC", &WatchedGetDC, realGetDC);
    Watch("user32.dll", "GetWindowDC", &WatchedGetWindowDC, realGetWindowDC);
    Watch("user32.dll", "ReleaseDC", &WatchedReleaseDC, realReleaseDC);
    Watch("user32.dll", "SetWindowRgn", &WatchedSetWindowRgn, realSetWindowRgn);
    Watch("user32.dll", "DestroyWindow", &WatchedDestroyWindow, realDestroyWindow);
    return true;
}();

// Wine makes some objects of its own once, on first use, and keeps them (the first memory DC
// comes with six bitmaps; the first form window with its class's cursor and icon, two bitmaps
// each; the first DC of the desktop window with a region): made before the first count, they
// are never counted as a test's.
bool WarmUp() {
    for (HWND owner : {HWND{}, GetDesktopWindow()}) {
        HDC screen = GetDC(owner);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(owner, screen);
    }
    platform::Window window = platform::CreateFormWindow("GdiWatchWarmUp", 0, 0, 8, 8);
    platform::ShowWindow(window.get(), true);
    platform::WindowDc dc = platform::GetDC(window.get());
    dc.reset();
    platform::ShowWindow(window.get(), false);
    window.reset();
    platform::PumpPendingMessages();
    return true;
}

} // namespace

std::optional<Counts> Count() {
    [[maybe_unused]] static const bool warm = WarmUp();
    const HandleEntry* table = HandleTable();
    if (table == nullptr) {
        return std::nullopt;
    }
    Counts counts;
    for (std::uint32_t index = 0; index < kHandleCount; ++index) {
        if (table[index].type == 0) {
            continue; // a free entry
        }
        auto handle = reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(
            index | static_cast<std::uint32_t>(table[index].unique) << 16));
        switch (GetObjectType(handle)) {
        case OBJ_MEMDC:
            ++counts.memoryDcs;
            break;
        case OBJ_BITMAP:
            ++counts.bitmaps;
            break;
        case OBJ_REGION:
            ++counts.regions;
            break;
        default:
            break;
        }
    }
    std::lock_guard guard(lock);
    for (const auto& [dc, out] : windowDcsOut) {
        counts.windowDcs += out;
    }
    return counts;
}

std::vector<std::string> Misuses() {
    std::lock_guard guard(lock);
    return misuses;
}

void Clear() {
    std::lock_guard guard(lock);
    misuses.clear();
}

} // namespace gdi_watch
