// Registered modules and the program's own module, changed in the in-memory GDI's module table.
#include "controls/resources.h"

#include <memory>
#include <utility>
#include <variant>

namespace platform::memory {

void RegisterModule(const std::string& path, std::vector<ModuleResource> resources) {
    auto module = std::make_shared<detail::ModuleData>();
    module->path = path;
    module->resources = std::move(resources);
    detail::Modules().registered[detail::Lower(path)] = std::move(module);
}

int OpenModuleCount(const std::string& path) {
    int count = 0;
    for (const auto& [handle, module] : detail::Modules().open) {
        count += detail::Lower(module->path) == detail::Lower(path) ? 1 : 0;
    }
    return count;
}

void RemoveOwnResource(platform::ResourceType type, std::int32_t id) {
    // A new module table, so that handles into the old one stay valid.
    auto module = std::make_shared<detail::ModuleData>(*detail::OwnModule());
    std::erase_if(module->resources, [&](const ModuleResource& resource) {
        const auto* number = std::get_if<std::int32_t>(&resource.name);
        return resource.type == type && number != nullptr && *number == id;
    });
    detail::Modules().own = std::move(module);
}

void ResetModules() {
    detail::Modules().registered.clear();
    detail::Modules().own.reset(); // rebuilt from the embedded resources on next use
}

} // namespace platform::memory
