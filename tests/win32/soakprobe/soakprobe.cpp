// Watches another Windows program's objects for the soak (scripts/soak.sh), where the system
// gives no per-process count (GetGuiResources reports 0 under Wine):
//   jellop_soakprobe NAME SECONDS   every SECONDS, one line for the process whose executable
//                                   is NAME (the newest, if several):
//   "pid gdi dcs bitmaps regions brushes fonts other handles windows"
// gdi and its parts: the live entries of the process's GDI handle table, read from its memory
// (the table's address is in the process environment block, as on Windows before Windows 10);
// handles: its kernel handles, from the system's handle list (GetProcessHandleCount reports 0
// under Wine); windows: the USER windows it owns (top
// level, their descendants and message-only ones). A line of "-" when no such process runs.
#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win32/gdi_handle_table.h"

namespace {

using gdi_handle_table::HandleEntry;
using gdi_handle_table::kHandleCount;

DWORD FindProcess(const char* name) {
    DWORD found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, name) == 0 && entry.th32ProcessID > found) {
            found = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return found;
}

struct Gdi {
    int total = 0, dcs = 0, bitmaps = 0, regions = 0, brushes = 0, fonts = 0, other = 0;
};

// The type byte of the table's entries: 0x01 DC, 0x04 region, 0x05 bitmap, 0x10 brush,
// 0x0a font (the kernel-mode object kinds; the user-visible kinds extend them in the handle).
bool ReadGdi(HANDLE process, Gdi& gdi, std::vector<HandleEntry>& table) {
    void* address = gdi_handle_table::TableAddress(process);
    if (address == nullptr) {
        return false;
    }
    SIZE_T read = 0;
    table.resize(kHandleCount);
    if (!ReadProcessMemory(process, address, table.data(), table.size() * sizeof(HandleEntry),
                           &read) ||
        read != table.size() * sizeof(HandleEntry)) {
        return false;
    }
    for (const HandleEntry& entry : table) {
        switch (entry.type) {
        case 0:
            continue; // a free entry
        case 0x01:
            ++gdi.dcs;
            break;
        case 0x04:
            ++gdi.regions;
            break;
        case 0x05:
            ++gdi.bitmaps;
            break;
        case 0x10:
            ++gdi.brushes;
            break;
        case 0x0a:
            ++gdi.fonts;
            break;
        default:
            ++gdi.other;
            break;
        }
        ++gdi.total;
    }
    return true;
}

// The process's entries in the system's list of kernel handles; -1 when it cannot be read.
struct SystemHandle {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

long CountHandles(DWORD pid, std::vector<unsigned char>& buffer) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    if (query == nullptr) {
        return -1;
    }
    if (buffer.empty()) {
        buffer.resize(1 << 16);
    }
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) == kLengthMismatch) {
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0) {
        return -1;
    }
    ULONG entries = 0;
    std::memcpy(&entries, buffer.data(), sizeof entries);
    const auto* list = reinterpret_cast<const SystemHandle*>(buffer.data() + sizeof(void*));
    long mine = 0;
    for (ULONG i = 0; i < entries; ++i) {
        mine += list[i].ownerPid == pid ? 1 : 0;
    }
    return mine;
}

struct WindowCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM data) {
    auto* counted = reinterpret_cast<WindowCount*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    counted->count += owner == counted->pid ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM data) {
    CountChild(window, data);
    EnumChildWindows(window, CountChild, data); // all descendants
    return TRUE;
}

int CountWindows(DWORD pid) {
    WindowCount counted{pid, 0};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&counted));
    for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
         w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) {
        CountTop(w, reinterpret_cast<LPARAM>(&counted));
    }
    return counted.count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[2]) <= 0) {
        std::fprintf(stderr, "usage: %s EXE-NAME SECONDS\n", argv[0]);
        return 2;
    }
    std::vector<HandleEntry> table;
    std::vector<unsigned char> handleList;
    for (;;) {
        DWORD pid = FindProcess(argv[1]);
        HANDLE process = pid != 0
                             ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)
                             : nullptr;
        Gdi gdi;
        if (process == nullptr || !ReadGdi(process, gdi, table)) {
            std::printf("-\n");
        } else {
            std::printf("%lu %d %d %d %d %d %d %d %ld %d\n", static_cast<unsigned long>(pid),
                        gdi.total, gdi.dcs, gdi.bitmaps, gdi.regions, gdi.brushes, gdi.fonts,
                        gdi.other, CountHandles(pid, handleList), CountWindows(pid));
        }
        std::fflush(stdout);
        if (process != nullptr) {
            CloseHandle(process);
        }
        Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    }
}
