// The program's own resources as the subsystems load them: the platform's resource calls, with
// their failures raised as the program's numbered errors (326 "Resource with identifier 'ID'
// not found", 481 "Invalid picture") whose source is the application.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gdi/resources.h"

namespace runtime {

std::vector<std::byte> LoadResData(const platform::ResourceId& id, platform::ResourceType type);

platform::Picture LoadResPicture(std::int32_t id);

} // namespace runtime
