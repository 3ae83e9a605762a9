// Backend-neutral parts of the resource layer: reading the program's own resources, with the
// resource layer's not-found error.
#include "platform/resources.h"

#include <cstring>
#include <utility>

#include "platform/app.h"
#include "runtime/error.h"

namespace platform {
namespace {

std::string IdText(const OwnResourceId& id) {
    if (const auto* number = std::get_if<std::int32_t>(&id)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(id);
}

// The running executable's file name without its extension: the source of the resource
// layer's errors, as of every run-time error.
std::string ErrorSource() {
    std::string path = ExecutablePath();
    std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

std::optional<std::uint16_t> IntegerResourceName(const std::string& name) {
    if (name.size() < 2 || name.size() > 7 || name[0] != '#') {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(name[i] - '0');
    }
    if (value < 1 || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::string OwnResourceName(const OwnResourceId& id) {
    if (const auto* number = std::get_if<std::int32_t>(&id)) {
        std::string name = "#";
        name += std::to_string(*number); // (not "#" + ...: GCC 12 warns falsely about that)
        return name;
    }
    return std::get<std::string>(id);
}

void RaiseResourceError(std::int32_t number, std::string message) {
    throw runtime::Error(number, ErrorSource(), std::move(message));
}

void RaiseResourceNotFound(const OwnResourceId& id) {
    RaiseResourceError(kErrResourceNotFound,
                       "Resource with identifier '" + IdText(id) + "' not found");
}

std::vector<std::byte> LoadResData(const OwnResourceId& id, ResourceType type) {
    ResourceInfoHandle info = FindResource(ModuleHandle{}, OwnResourceName(id), type);
    if (IsNull(info)) {
        RaiseResourceNotFound(id);
    }
    std::uint32_t size = SizeofResource(ModuleHandle{}, info);
    ResourceDataHandle data = LoadResource(ModuleHandle{}, info);
    const void* bytes = IsNull(data) ? nullptr : LockResource(data);
    if (bytes == nullptr) {
        RaiseResourceNotFound(id);
    }
    std::vector<std::byte> copy(size);
    if (size != 0) {
        std::memcpy(copy.data(), bytes, size);
    }
    return copy;
}

} // namespace platform
