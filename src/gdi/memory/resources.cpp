// Resources without Win32: the program's own frame bitmaps and region blocks, compiled in by
// the build, modules registered by tests that LoadLibraryEx opens by path, and any other path
// that holds a Windows module (a PE file), whose resources are read from it as data. Bitmap
// resources are decoded with stb_image, as a picture loader would decode them.
#include "gdi/resources.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "gdi/little_endian.h"
#include "gdi/memory/embedded_resources.h"
#include "gdi/memory/modules.h"
#include "gdi/memory/objects.h"
#include "gdi/pe_resources.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb_image.h>

namespace platform {
namespace {

using memory::ModuleResource;
using memory::detail::Lower;
using memory::detail::ModuleData;
using memory::detail::Modules;
using memory::detail::OwnModule;
using memory::detail::ResourceRef;

std::shared_ptr<ModuleData> ModuleOf(ModuleHandle module) {
    if (IsNull(module)) {
        return OwnModule();
    }
    auto found = Modules().open.find(static_cast<std::uintptr_t>(module));
    return found == Modules().open.end() ? nullptr : found->second;
}

bool NameMatches(const ModuleResource& resource, const std::string& name) {
    if (std::optional<std::uint16_t> id = IntegerResourceName(name)) {
        const auto* number = std::get_if<std::int32_t>(&resource.name);
        return number != nullptr && *number == *id;
    }
    if (!name.empty() && name[0] == '#') {
        return false; // a "#" name can only be an integer id
    }
    const auto* text = std::get_if<std::string>(&resource.name);
    return text != nullptr && Lower(*text) == Lower(name);
}

std::uintptr_t
HandleFor(std::map<std::pair<const ModuleData*, std::size_t>, std::uintptr_t>& handles,
          std::map<std::uintptr_t, ResourceRef>& table, const ResourceRef& ref) {
    auto key = std::make_pair(static_cast<const ModuleData*>(ref.module.get()), ref.index);
    auto found = handles.find(key);
    if (found != handles.end()) {
        return found->second;
    }
    std::uintptr_t value = memory::detail::NewHandleValue();
    handles.emplace(key, value);
    table.emplace(value, ref);
    return value;
}

const ModuleResource* Resolve(const std::map<std::uintptr_t, ResourceRef>& table,
                              std::uintptr_t handle) {
    auto found = table.find(handle);
    if (found == table.end()) {
        return nullptr;
    }
    return &found->second.module->resources[found->second.index];
}

// A bitmap resource is a BITMAPINFOHEADER, its colour table and its rows: a .bmp file
// without the 14-byte file header, which the decoder wants in front.
std::vector<std::uint8_t> WithFileHeader(std::span<const std::byte> resource) {
    std::vector<std::uint8_t> file(14 + resource.size());
    std::transform(resource.begin(), resource.end(), file.begin() + 14,
                   [](std::byte b) { return static_cast<std::uint8_t>(b); });
    std::uint32_t headerSize = 0, colours = 0, compression = 0;
    std::uint16_t bitCount = 0;
    if (resource.size() >= 40) {
        headerSize = le::Load32(resource.data());
        bitCount = le::Load16(resource.data() + 14);
        compression = le::Load32(resource.data() + 16);
        colours = le::Load32(resource.data() + 32);
    }
    if (colours == 0 && bitCount <= 8) {
        colours = 1u << bitCount;
    }
    std::uint32_t masks = (compression == 3 && headerSize == 40) ? 12 : 0;
    std::uint32_t offset = 14 + headerSize + masks + colours * 4;
    auto size = static_cast<std::uint32_t>(file.size());
    file[0] = 'B';
    file[1] = 'M';
    le::Store32(file.data() + 2, size);
    le::Store32(file.data() + 10, offset);
    return file;
}

// The resource `name` of `type` in the PE file of `data`, kept with the module's resources from
// now on.
ResourceInfoHandle FindInFile(const std::shared_ptr<ModuleData>& data, const std::string& name,
                              ResourceType type) {
    PeResourceName peName;
    if (std::optional<std::uint16_t> id = IntegerResourceName(name)) {
        peName = *id;
    } else if (name.empty() || name[0] == '#') {
        return {};
    } else {
        peName = name;
    }
    std::optional<std::span<const std::byte>> bytes =
        data->file->Find(static_cast<std::uint16_t>(type), peName);
    if (!bytes) {
        return {};
    }
    ModuleResource resource;
    resource.type = type;
    if (const auto* id = std::get_if<std::uint16_t>(&peName)) {
        resource.name = static_cast<std::int32_t>(*id);
    } else {
        resource.name = name;
    }
    resource.bytes.assign(bytes->begin(), bytes->end());
    data->resources.push_back(std::move(resource));
    return ResourceInfoHandle{HandleFor(Modules().infoHandles, Modules().infos,
                                        ResourceRef{data, data->resources.size() - 1})};
}

} // namespace

namespace memory::detail {

ModuleTable& Modules() {
    static ModuleTable table;
    return table;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const std::shared_ptr<ModuleData>& OwnModule() {
    ModuleTable& table = Modules();
    if (!table.own) {
        table.own = std::make_shared<ModuleData>();
        for (const EmbeddedResource& embedded : kEmbeddedResources) {
            ModuleResource resource;
            resource.type = embedded.type == ResourceType::Bitmap ? platform::ResourceType::Bitmap
                                                                  : platform::ResourceType::RawData;
            resource.name = static_cast<std::int32_t>(embedded.id);
            const auto* bytes = reinterpret_cast<const std::byte*>(embedded.data);
            resource.embedded = std::span<const std::byte>(bytes, embedded.size);
            table.own->resources.push_back(std::move(resource));
        }
    }
    return table.own;
}

} // namespace memory::detail

bool FreeLibrary(ModuleHandle module) {
    if (Modules().open.erase(static_cast<std::uintptr_t>(module)) == 0) {
        memory::detail::RecordMisuse("FreeLibrary of a module handle that is not open");
        return false;
    }
    return true;
}

Module LoadLibraryEx(const std::string& path, std::uint32_t /*flags*/) {
    if (path.empty()) {
        return {};
    }
    std::shared_ptr<ModuleData> data;
    if (auto found = Modules().registered.find(Lower(path)); found != Modules().registered.end()) {
        data = found->second;
    } else if (std::optional<PeModule> file = PeModule::Open(path)) {
        data = std::make_shared<ModuleData>(ModuleData{path, {}, std::move(file)});
    } else {
        return {};
    }
    std::uintptr_t value = memory::detail::NewHandleValue();
    Modules().open.emplace(value, std::move(data));
    return Module(ModuleHandle{value});
}

ResourceInfoHandle FindResource(ModuleHandle module, const std::string& name, ResourceType type) {
    std::shared_ptr<ModuleData> data = ModuleOf(module);
    if (!data) {
        return {};
    }
    for (std::size_t i = 0; i < data->resources.size(); ++i) {
        const ModuleResource& resource = data->resources[i];
        if (resource.type == type && NameMatches(resource, name)) {
            return ResourceInfoHandle{
                HandleFor(Modules().infoHandles, Modules().infos, ResourceRef{data, i})};
        }
    }
    return data->file ? FindInFile(data, name, type) : ResourceInfoHandle{};
}

std::uint32_t SizeofResource(ModuleHandle /*module*/, ResourceInfoHandle resource) {
    const ModuleResource* found = Resolve(Modules().infos, static_cast<std::uintptr_t>(resource));
    return found == nullptr ? 0 : static_cast<std::uint32_t>(found->Data().size());
}

ResourceDataHandle LoadResource(ModuleHandle /*module*/, ResourceInfoHandle resource) {
    auto found = Modules().infos.find(static_cast<std::uintptr_t>(resource));
    if (found == Modules().infos.end() ||
        found->second.module->resources[found->second.index].loadFails) {
        return {};
    }
    return ResourceDataHandle{HandleFor(Modules().dataHandles, Modules().data, found->second)};
}

const void* LockResource(ResourceDataHandle data) {
    const ModuleResource* found = Resolve(Modules().data, static_cast<std::uintptr_t>(data));
    if (found == nullptr || found->lockFails) {
        return nullptr;
    }
    // An empty resource still has an address, as in a mapped module.
    static const std::byte kEmpty{};
    return found->Data().empty() ? &kEmpty : found->Data().data();
}

namespace {

// A decoded bitmap resource, kept because a resource never changes: rows top line first,
// laid out as the in-memory bitmaps lay them out.
struct DecodedBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::vector<std::uint8_t> rows;
};

// Keyed by address: a resource that was ever looked up stays alive in the handle tables, so
// its address is never reused for another one.
const DecodedBitmap* Decode(const ModuleResource& resource) {
    static std::map<const ModuleResource*, DecodedBitmap> decoded;
    auto found = decoded.find(&resource);
    if (found != decoded.end()) {
        return &found->second;
    }
    std::vector<std::uint8_t> file = WithFileHeader(resource.Data());
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                         &height, &channels, 3);
    if (rgb == nullptr) {
        return nullptr;
    }
    DecodedBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitCount = le::Load16(resource.Data().data() + 14);
    std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    bitmap.rows.assign(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const stbi_uc* in = rgb + (static_cast<std::size_t>(y) * width + x) * 3;
            std::uint8_t* out = bitmap.rows.data() + y * stride + x * 3;
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    stbi_image_free(rgb);
    return &decoded.emplace(&resource, std::move(bitmap)).first->second;
}

} // namespace

Picture LoadResPicture(std::int32_t id) {
    ResourceInfoHandle info =
        FindResource(ModuleHandle{}, OwnResourceName(id), ResourceType::Bitmap);
    const ModuleResource* resource = Resolve(Modules().infos, static_cast<std::uintptr_t>(info));
    if (resource == nullptr) {
        RaiseResourceNotFound(id);
    }
    const DecodedBitmap* decoded = Decode(*resource);
    auto bitmap = decoded == nullptr
                      ? nullptr
                      : memory::detail::MakeBitmap(decoded->width, decoded->height, false);
    if (!bitmap) {
        RaiseResourceError(kErrInvalidPicture, "Invalid picture");
    }
    bitmap->bitsPixel = decoded->bitCount;
    std::memcpy(bitmap->pixels.get(), decoded->rows.data(), decoded->rows.size());
    return Picture(Bitmap(memory::detail::AddBitmap(std::move(bitmap))));
}

} // namespace platform
