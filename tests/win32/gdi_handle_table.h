// A process's GDI handle table, as Wine keeps it (and Windows did before Windows 10): 65,536
// entries, its address in the process environment block. The win32 tier reads its own, the
// soak's probe another program's.
#pragma once

#include <windows.h>

#include <winternl.h>

#include <cstddef>
#include <cstdint>

namespace gdi_handle_table {

// An entry of the handle table: the object, its owner, the handle's upper word, its type.
struct HandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(HandleEntry) == 24);
inline constexpr std::uint32_t kHandleCount = 0x10000;

// The table's address in `process` (null when it cannot be read): GdiSharedHandleTable of the
// process environment block, whose address comes from ntdll.
inline void* TableAddress(HANDLE process) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return nullptr;
    }
    constexpr std::size_t kOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    void* address = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process,
                           reinterpret_cast<const unsigned char*>(basic.PebBaseAddress) + kOffset,
                           &address, sizeof address, &read) ||
        read != sizeof address) {
        return nullptr;
    }
    return address;
}

} // namespace gdi_handle_table
