// What the shared suites' leak and misuse checks read on real GDI (under Wine), where the
// system gives no per-process object count (GetGuiResources reports 0 there):
//  - the GDI objects alive, read from the handle table the system keeps for the process (its
//    address is in the process environment block, as on Windows before Windows 10);
//  - the window DCs taken and not released, and the releases the real system refuses or that
//    corrupt its state, seen by watching the test program's own calls of GDI and USER (their
//    entries in the program's import table lead through this watch).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace gdi_watch {

struct Counts {
    int memoryDcs = 0; // memory DCs alive
    int windowDcs = 0; // window DCs taken (GetDC, GetWindowDC) and not released yet
    int bitmaps = 0;
    int regions = 0;
};

// None when the process has no handle table to read (the watch then counts nothing).
std::optional<Counts> Count();

// The misuses seen since the last Clear(), in the order they happened.
std::vector<std::string> Misuses();
void Clear();

} // namespace gdi_watch
