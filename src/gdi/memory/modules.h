// The module table of the in-memory resources (resources.cpp): the program's own module, the
// modules tests register by path, the modules LoadLibraryEx has opened, and the handles given
// out for their resources. Internal to the in-memory GDI; the test controls
// (tests/controls/resources.h) reach it here to register modules and to take resources away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "gdi/pe_resources.h"
#include "gdi/resources.h"

namespace platform::memory {

// One resource of a module: its type, its name and its bytes, and whether it is made to fail.
struct ModuleResource {
    platform::ResourceType type = platform::ResourceType::RawData;
    std::variant<std::int32_t, std::string> name; // an integer id or a text name
    std::vector<std::byte> bytes;
    // The program's own resources are not copied: their bytes stay where the program's image
    // holds them, and `bytes` is empty.
    std::span<const std::byte> embedded;
    bool loadFails = false; // LoadResource gives no data handle
    bool lockFails = false; // LockResource gives no address

    std::span<const std::byte> Data() const {
        return embedded.data() != nullptr ? embedded : std::span<const std::byte>(bytes);
    }
};

} // namespace platform::memory

namespace platform::memory::detail {

struct ModuleData {
    std::string path;
    std::vector<ModuleResource> resources;
    // A module read from a PE file: its resources join `resources` as they are first found.
    std::optional<PeModule> file;
};

// A resource by its module and its place among the module's resources.
struct ResourceRef {
    std::shared_ptr<ModuleData> module;
    std::size_t index = 0;
};

struct ModuleTable {
    std::map<std::string, std::shared_ptr<ModuleData>> registered; // by lower-case path
    std::map<std::uintptr_t, std::shared_ptr<ModuleData>> open;    // by module handle
    // Resource and data handles: one of each per resource, like addresses in a mapped module.
    std::map<std::uintptr_t, ResourceRef> infos;
    std::map<std::uintptr_t, ResourceRef> data;
    std::map<std::pair<const ModuleData*, std::size_t>, std::uintptr_t> infoHandles;
    std::map<std::pair<const ModuleData*, std::size_t>, std::uintptr_t> dataHandles;
    // The program's own module; empty until first used, then built from the embedded resources.
    std::shared_ptr<ModuleData> own;
};

ModuleTable& Modules();

// `text` in lower case (ASCII), for paths and names that compare without regard to case.
std::string Lower(std::string text);

// The program's own module, built from the embedded resources on first use.
const std::shared_ptr<ModuleData>& OwnModule();

} // namespace platform::memory::detail
