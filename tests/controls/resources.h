// Test controls of the resources of the backends other than Win32's: modules that
// LoadLibraryEx can open, by path, with the raw-data resources they hold (no others open), the
// modules open now, and resources that fail to load or lock. A module's resources are
// ModuleResource values, the in-memory GDI's own type (gdi/memory/modules.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gdi/memory/modules.h"
#include "gdi/resources.h"

namespace platform::memory {

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
