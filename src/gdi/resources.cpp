// Backend-neutral parts of the resource layer: resource ids and names, reading the program's
// own resources, and the resource layer's errors.
#include "gdi/resources.h"

#include <cctype>
#include <cstring>
#include <utility>

namespace platform {

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

std::string ResourceId::Text() const {
    if (const auto* number = std::get_if<std::int32_t>(&value_)) {
        return std::to_string(*number);
    }
    return std::get<std::string>(value_);
}

bool ResourceId::IsNumeric() const {
    const auto* text = std::get_if<std::string>(&value_);
    if (text == nullptr) {
        return true;
    }
    std::size_t at = text->find_first_not_of(' ');
    std::size_t end = text->find_last_not_of(' ');
    if (at == std::string::npos) {
        return false;
    }
    if ((*text)[at] == '+' || (*text)[at] == '-') {
        ++at;
    }
    if (at > end) {
        return false;
    }
    for (; at <= end; ++at) {
        if (!std::isdigit(static_cast<unsigned char>((*text)[at]))) {
            return false;
        }
    }
    return true;
}

std::string OwnResourceName(const ResourceId& id) {
    if (const auto* number = std::get_if<std::int32_t>(&id.Value())) {
        std::string name = "#";
        name += std::to_string(*number); // (not "#" + ...: GCC 12 warns falsely about that)
        return name;
    }
    return std::get<std::string>(id.Value());
}

void RaiseResourceError(std::int32_t number, std::string message) {
    throw ResourceError(number, std::move(message));
}

void RaiseResourceNotFound(const ResourceId& id) {
    RaiseResourceError(kErrResourceNotFound,
                       "Resource with identifier '" + id.Text() + "' not found");
}

std::vector<std::byte> LoadResData(const ResourceId& id, ResourceType type) {
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
