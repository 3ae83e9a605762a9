#include "gdi/pe_resources.h"

#include <cstdio>
#include <memory>

#include "gdi/little_endian.h"

namespace platform {

namespace {

// Files larger than this are not resource modules the program reads.
constexpr std::uint64_t kMaxFileSize = 256ULL << 20;

using le::Read16;
using le::Read32;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr std::uint32_t kHighBit = 0x80000000U;

} // namespace

std::optional<PeModule> PeModule::Open(const std::string& path) {
    // C stdio: the program carries no iostreams (see wave_file.cpp).
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxFileSize) {
        return std::nullopt;
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    if (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return std::nullopt;
    }
    return FromBytes(std::move(bytes));
}

std::optional<PeModule> PeModule::FromBytes(std::vector<std::byte> bytes) {
    PeModule module;
    module.bytes_ = std::move(bytes);
    std::span<const std::byte> file = module.bytes_;
    // The DOS header's "MZ", and at 0x3C the offset of "PE\0\0".
    if (Read16(file, 0) != 0x5A4D) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> peOffset = Read32(file, 0x3C);
    if (!peOffset || Read32(file, *peOffset) != 0x00004550U) {
        return std::nullopt;
    }
    const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
    std::optional<std::uint16_t> sectionCount = Read16(file, coff + 2);
    std::optional<std::uint16_t> optionalSize = Read16(file, coff + 16);
    const std::uint64_t optional = coff + 20;
    std::optional<std::uint16_t> magic = Read16(file, optional);
    if (!sectionCount || !optionalSize || !magic) {
        return std::nullopt;
    }
    // The data directories follow the fixed fields, which are longer in PE32+.
    std::uint64_t directories = 0;
    if (*magic == 0x10B) {
        directories = optional + 96;
    } else if (*magic == 0x20B) {
        directories = optional + 112;
    } else {
        return std::nullopt;
    }
    std::optional<std::uint32_t> directoryCount = Read32(file, directories - 4);
    constexpr std::uint32_t kResourceDirectory = 2;
    if (!directoryCount || *directoryCount <= kResourceDirectory ||
        directories + 8ULL * (kResourceDirectory + 1) > optional + *optionalSize) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> resourceRva = Read32(file, directories + 8 * kResourceDirectory);
    std::optional<std::uint32_t> resourceSize =
        Read32(file, directories + 8 * kResourceDirectory + 4);
    const std::uint64_t sectionTable = optional + *optionalSize;
    constexpr std::uint64_t kSectionHeaderSize = 40;
    if (!resourceRva || !resourceSize || *resourceSize < 16 ||
        sectionTable + kSectionHeaderSize * *sectionCount > file.size()) {
        return std::nullopt;
    }
    for (std::uint16_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t header = sectionTable + kSectionHeaderSize * i;
        module.sections_.push_back({*Read32(file, header + 12), *Read32(file, header + 8),
                                    *Read32(file, header + 20), *Read32(file, header + 16)});
    }
    std::optional<std::size_t> start = module.FileOffset(*resourceRva, *resourceSize);
    if (!start) {
        return std::nullopt;
    }
    module.resourceStart_ = *start;
    module.resourceSize_ = *resourceSize;
    return module;
}

std::optional<std::size_t> PeModule::FileOffset(std::uint32_t rva, std::uint32_t size) const {
    for (const Section& section : sections_) {
        const std::uint64_t start = section.virtualAddress;
        // Only the bytes the file holds; the rest of a section (zero-filled when loaded) is
        // not read.
        const std::uint64_t inFile = section.rawSize;
        if (rva < start || std::uint64_t{rva} + size > start + inFile) {
            continue;
        }
        const std::uint64_t offset = std::uint64_t{section.rawOffset} + (rva - start);
        if (offset > bytes_.size() || bytes_.size() - offset < size) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(offset);
    }
    return std::nullopt;
}

bool PeModule::NameMatches(std::uint32_t nameOffset, const std::string& name) const {
    std::span<const std::byte> directory =
        std::span<const std::byte>(bytes_).subspan(resourceStart_, resourceSize_);
    // A length, then that many UTF-16 code units.
    std::optional<std::uint16_t> length = Read16(directory, nameOffset);
    if (!length || *length != name.size()) {
        return false;
    }
    for (std::uint16_t i = 0; i < *length; ++i) {
        std::optional<std::uint16_t> unit = Read16(directory, nameOffset + 2ULL + 2ULL * i);
        if (!unit || *unit > 0x7F || UpperAscii(static_cast<char>(*unit)) != UpperAscii(name[i])) {
            return false;
        }
    }
    return true;
}

// A directory: 16 bytes (characteristics, time stamp, version, the numbers of named and of
// id entries), then the entries, 8 bytes each: the name (a text's offset with the high bit
// set, else the id) and the offset of the entry's data (a subdirectory with the high bit
// set). `name` null takes the first entry (the first language).
std::optional<std::pair<std::uint32_t, bool>> PeModule::Lookup(std::uint32_t directory,
                                                               const PeResourceName* name) const {
    std::span<const std::byte> tree =
        std::span<const std::byte>(bytes_).subspan(resourceStart_, resourceSize_);
    std::optional<std::uint16_t> named = Read16(tree, std::uint64_t{directory} + 12);
    std::optional<std::uint16_t> ids = Read16(tree, std::uint64_t{directory} + 14);
    if (!named || !ids) {
        return std::nullopt;
    }
    const std::uint64_t count = std::uint64_t{*named} + *ids;
    // Counts larger than the directory can hold are cut to what it holds.
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t{directory} + 16 + 8 * i;
        std::optional<std::uint32_t> entryName = Read32(tree, entry);
        std::optional<std::uint32_t> data = Read32(tree, entry + 4);
        if (!entryName || !data) {
            return std::nullopt;
        }
        bool matches = name == nullptr;
        if (!matches) {
            if (const auto* id = std::get_if<std::uint16_t>(name)) {
                matches = (*entryName & kHighBit) == 0 && *entryName == *id;
            } else {
                matches = (*entryName & kHighBit) != 0 &&
                          NameMatches(*entryName & ~kHighBit, std::get<std::string>(*name));
            }
        }
        if (matches) {
            return std::make_pair(*data & ~kHighBit, (*data & kHighBit) != 0);
        }
    }
    return std::nullopt;
}

std::optional<std::span<const std::byte>> PeModule::Find(const PeResourceName& type,
                                                         const PeResourceName& name) const {
    // Type, then name, then language: three directories, the last entry a data entry.
    std::optional<std::pair<std::uint32_t, bool>> typeEntry = Lookup(0, &type);
    if (!typeEntry || !typeEntry->second) {
        return std::nullopt;
    }
    std::optional<std::pair<std::uint32_t, bool>> nameEntry = Lookup(typeEntry->first, &name);
    if (!nameEntry || !nameEntry->second) {
        return std::nullopt;
    }
    std::optional<std::pair<std::uint32_t, bool>> language = Lookup(nameEntry->first, nullptr);
    if (!language || language->second) {
        return std::nullopt;
    }
    // The data entry: the data's RVA (of the module as loaded) and its size.
    std::span<const std::byte> tree =
        std::span<const std::byte>(bytes_).subspan(resourceStart_, resourceSize_);
    std::optional<std::uint32_t> rva = Read32(tree, language->first);
    std::optional<std::uint32_t> size = Read32(tree, std::uint64_t{language->first} + 4);
    if (!rva || !size) {
        return std::nullopt;
    }
    std::optional<std::size_t> offset = FileOffset(*rva, *size);
    if (!offset) {
        return std::nullopt;
    }
    return std::span<const std::byte>(bytes_).subspan(*offset, *size);
}

} // namespace platform
