// Resources: the program's own (frame bitmaps and region blocks) and those of other modules
// opened as data files, so that none of their code runs. Also the picture objects that a
// bitmap resource is loaded into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/gdi.h"
#include "platform/handles.h"

namespace platform {

enum class ResourceInfoHandle : std::uintptr_t {};
enum class ResourceDataHandle : std::uintptr_t {};

inline constexpr std::uint32_t kLoadLibraryAsDatafile = 2;

// Standard resource types.
enum class ResourceType : std::uint16_t { Bitmap = 2, RawData = 10 };

// The resource layer's errors: a missing resource, and a bitmap that cannot be read.
inline constexpr std::int32_t kErrResourceNotFound = 326;
inline constexpr std::int32_t kErrInvalidPicture = 481;

bool FreeLibrary(ModuleHandle module);
using Module = UniqueHandle<ModuleHandle, &FreeLibrary>;

// LoadLibraryExA(path, no file, flags); flags is kLoadLibraryAsDatafile for resource access.
Module LoadLibraryEx(const std::string& path, std::uint32_t flags);

// FindResourceA(module, name, type): a name "#" followed by decimal digits is an integer id,
// as in Win32, and another name that starts with "#" names nothing; any other name is looked
// up as a text name (without regard to case). Module {} is the program's own module.
ResourceInfoHandle FindResource(ModuleHandle module, const std::string& name, ResourceType type);

// The integer id of a FindResource name: "#" followed by decimal digits naming 1 to 65535.
// None for any other name, a number outside that range included (it is not cut to 16 bits).
std::optional<std::uint16_t> IntegerResourceName(const std::string& name);

std::uint32_t SizeofResource(ModuleHandle module, ResourceInfoHandle resource);
ResourceDataHandle LoadResource(ModuleHandle module, ResourceInfoHandle resource);
const void* LockResource(ResourceDataHandle data);

// A resource of the program's own module: an integer id or a text name.
using OwnResourceId = std::variant<std::int32_t, std::string>;

// The FindResource name of an own resource: "#" and the digits for an id, the text otherwise.
std::string OwnResourceName(const OwnResourceId& id);

// Raises a resource-layer error: a runtime::Error whose source is the executable's name
// without extension, as for every run-time error.
[[noreturn]] void RaiseResourceError(std::int32_t number, std::string message);

// Raises error 326 "Resource with identifier 'ID' not found" for `id`.
[[noreturn]] void RaiseResourceNotFound(const OwnResourceId& id);

// The bytes of the program's own resource `id` of `type`. A missing resource raises the
// resource layer's error 326 "Resource with identifier 'ID' not found" (a runtime::Error).
std::vector<std::byte> LoadResData(const OwnResourceId& id, ResourceType type);

// A picture object holding one bitmap, which it owns. Empty pictures hold no bitmap.
class Picture {
  public:
    Picture() = default;
    explicit Picture(Bitmap bitmap) : bitmap_(std::move(bitmap)) {}

    // The bitmap handle (the picture's Handle property); {} for an empty picture.
    BitmapHandle Handle() const { return bitmap_.get(); }
    explicit operator bool() const { return static_cast<bool>(bitmap_); }

  private:
    Bitmap bitmap_;
};

// The program's own bitmap resource `id` as a picture. A missing resource raises error 326
// like LoadResData; a bitmap that cannot be read raises 481 "Invalid picture".
Picture LoadResPicture(std::int32_t id);

} // namespace platform
