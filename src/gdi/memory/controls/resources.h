// Test controls of the resources of the backends other than Win32's: modules that
// LoadLibraryEx can open, by path, with the raw-data resources they hold (no others open), the
// modules open now, and resources that fail to load or lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "gdi/resources.h"

namespace platform::memory {

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

// Makes `path` a module that LoadLibraryEx opens, holding `resources`. Paths compare
// without regard to case, as Windows paths do.
void RegisterModule(const std::string& path, std::vector<ModuleResource> resources);

// How many times modules opened with LoadLibraryEx have not been freed yet, for `path`.
int OpenModuleCount(const std::string& path);

// Takes a resource out of the program's own module, to stand for a frame that lacks it.
void RemoveOwnResource(platform::ResourceType type, std::int32_t id);

// Forgets every registered module (modules still open stay usable until freed) and gives the
// own module all its resources back.
void ResetModules();

} // namespace platform::memory
