#include "runtime/resources.h"

#include "runtime/error.h"

namespace runtime {

std::vector<std::byte> LoadResData(const platform::ResourceId& id, platform::ResourceType type) {
    return WithAppSource([&] { return platform::LoadResData(id, type); });
}

platform::Picture LoadResPicture(std::int32_t id) {
    return WithAppSource([&] { return platform::LoadResPicture(id); });
}

} // namespace runtime
