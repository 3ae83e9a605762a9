// The shared suites' backend on real Win32 (under Wine): the test module lies beside the test
// program, and whether it is still open is read from the process's own address space; live
// objects and misuses come from the GDI watch (gdi_watch.h).
#include "shared/backend.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "gdi/region.h"
#include "gdi_watch.h"
#include "platform/app.h"

namespace backend {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FileName(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return Lower(slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace

void Reset() {
    gdi_watch::Clear();
}

std::string OtherModulePath() {
    return platform::ExecutableDirectory() + "\\jellop_testres.dll";
}

std::string MissingModulePath() {
    return platform::ExecutableDirectory() + "\\no_such_module.dll";
}

// A module opened as a data file is a view of the file mapped into the process: count the
// mappings (by allocation base) whose file is the one named.
int OpenModuleCount(const std::string& path) {
    std::string wanted = FileName(path);
    std::set<void*> mappings;
    MEMORY_BASIC_INFORMATION info;
    for (char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && (info.Type == MEM_MAPPED || info.Type == MEM_IMAGE)) {
            char name[MAX_PATH * 2];
            DWORD length =
                K32GetMappedFileNameA(GetCurrentProcess(), info.BaseAddress, name, sizeof name);
            if (length != 0 && FileName(std::string(name, length)) == wanted) {
                mappings.insert(info.AllocationBase);
            }
        }
        if (info.RegionSize == 0) {
            break;
        }
    }
    return static_cast<int>(mappings.size());
}

LiveObjectCounts LiveObjects() {
    std::optional<gdi_watch::Counts> counts = gdi_watch::Count();
    if (!counts) {
        ADD_FAILURE() << "no GDI handle table in this process: objects cannot be counted";
        return {-1, -1, -1};
    }
    return {counts->memoryDcs + counts->windowDcs, counts->bitmaps, counts->regions};
}

std::vector<std::string> PlatformMisuses() {
    return gdi_watch::Misuses();
}

std::uint8_t WindowOpacity(platform::WindowHandle window) {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
    BYTE alpha = 255;
    DWORD flags = 0;
    if (!(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) ||
        !GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA)) {
        return 255;
    }
    return alpha;
}

std::optional<std::vector<std::byte>> WindowShape(platform::WindowHandle window) {
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    std::optional<std::vector<std::byte>> shape;
    if (GetWindowRgn(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)), copy) != ERROR) {
        shape = platform::RegionDataBytes(
            platform::RegionHandle{reinterpret_cast<std::uintptr_t>(copy)});
    }
    DeleteObject(copy);
    return shape;
}

std::vector<std::uint32_t> ClipboardFormats() {
    std::vector<std::uint32_t> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0;
         format = EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    return formats;
}

platform::BitmapHandle ClipboardBitmap() {
    return platform::BitmapHandle{reinterpret_cast<std::uintptr_t>(GetClipboardData(CF_BITMAP))};
}

std::string SourcePath(const std::string& relative) {
    // The source tree is a Unix path; Wine shows the Unix root as drive Z:.
    std::string path = "Z:" + std::string(JELLOP_SOURCE_DIR) + "/" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

} // namespace backend
