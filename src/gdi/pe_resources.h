// Resources of a Windows module (a PE file: DLL or EXE) read as plain data, as
// LoadLibraryEx(..., LOAD_LIBRARY_AS_DATAFILE) gives them on Windows: none of its code is
// loaded or run. With it the region resource modules made for Windows serve on every platform.
//
// The file is untrusted: every offset, size and count is checked against the file before it
// is used, nothing is read outside it, and the resource directory is walked exactly three
// levels deep (type, name, language), so a directory that points back at itself ends the
// walk rather than looping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// A resource's type or name: an integer id (1 to 65535), or a text name (compared without
// regard to ASCII case, as FindResource compares them).
using PeResourceName = std::variant<std::uint16_t, std::string>;

inline constexpr std::uint16_t kPeBitmap = 2;   // RT_BITMAP: a DIB without its file header
inline constexpr std::uint16_t kPeRawData = 10; // RT_RCDATA

class PeModule {
  public:
    // The module in `path`; none when the file cannot be read or is not a PE file with its
    // section table and resource directory inside the file.
    static std::optional<PeModule> Open(const std::string& path);
    // The same for a file already in memory.
    static std::optional<PeModule> FromBytes(std::vector<std::byte> bytes);

    // The bytes of resource `name` of `type` (the first language there is); none when the
    // module has no such resource or its entry points outside the file.
    std::optional<std::span<const std::byte>> Find(const PeResourceName& type,
                                                   const PeResourceName& name) const;

  private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawOffset;
        std::uint32_t rawSize;
    };

    PeModule() = default;
    // The file offset of `size` bytes at `rva`, all within one section's data in the file.
    std::optional<std::size_t> FileOffset(std::uint32_t rva, std::uint32_t size) const;
    // The offset (in the resource directory) of the entry named `name` in the directory at
    // `directory`, and whether it is a subdirectory.
    std::optional<std::pair<std::uint32_t, bool>> Lookup(std::uint32_t directory,
                                                         const PeResourceName* name) const;
    bool NameMatches(std::uint32_t nameOffset, const std::string& name) const;

    std::vector<std::byte> bytes_;
    std::vector<Section> sections_;
    std::size_t resourceStart_ = 0; // the resource directory in the file
    std::size_t resourceSize_ = 0;
};

} // namespace platform
