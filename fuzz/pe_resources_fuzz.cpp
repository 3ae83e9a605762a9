// Fuzzes the PE resource reader (gdi/pe_resources.h), which reads region resource
// modules that may come from anywhere: the input is a whole module file. Every lookup the
// program can make is tried (integer ids and names, the bitmap and raw-data types); besides
// the sanitizers' findings, a resource found must lie inside the module's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gdi/pe_resources.h"

namespace {

volatile unsigned sink = 0;

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::byte> bytes(size);
    if (size > 0) {
        std::memcpy(bytes.data(), data, size);
    }
    std::optional<platform::PeModule> module = platform::PeModule::FromBytes(std::move(bytes));
    if (!module) {
        return 0;
    }
    const platform::PeResourceName types[] = {platform::kPeBitmap, platform::kPeRawData,
                                              std::string("RCDATA"), std::uint16_t{0}};
    // The test module's ids and name, the program's region ids, and names that differ only
    // in case or length from one there.
    const platform::PeResourceName names[] = {
        std::uint16_t{300},   std::uint16_t{301},     std::uint16_t{302},    std::uint16_t{101},
        std::uint16_t{1},     std::uint16_t{0xFFFF},  std::string("SINGLE"), std::string("single"),
        std::string("SINGL"), std::string("SINGLES"), std::string(""),
    };
    for (const platform::PeResourceName& type : types) {
        for (const platform::PeResourceName& name : names) {
            std::optional<std::span<const std::byte>> found = module->Find(type, name);
            if (found) {
                Require(found->size() <= size);
                // Every byte read: a span reaching outside the module's copy is a heap
                // overflow, which AddressSanitizer reports.
                for (std::byte b : *found) {
                    sink = sink + std::to_integer<unsigned>(b);
                }
            }
        }
    }
    return 0;
}
