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

#include "gdi/error.h"
#include "gdi/gdi.h"
#include "gdi/handles.h"

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

// A resource id as callers give it: an integer id, or a text that names the resource (or
// reads as a number).
class ResourceId {
  public:
    ResourceId(std::int32_t id) : value_(id) {}
    ResourceId(std::string name) : value_(std::move(name)) {}
    ResourceId(const char* name) : value_(std::string(name)) {}

    // The id written as text: "101" for the number 101, the text itself otherwise.
    std::string Text() const;
    // A number, or a text that reads as a whole number (spaces around and a sign allowed).
    bool IsNumeric() const;
    const std::variant<std::int32_t, std::string>& Value() const { return value_; }

  private:
    std::variant<std::int32_t, std::string> value_;
};

// The FindResource name of a resource of the program's own module: "#" and the digits for an
// integer id, the text itself for a text (even one that reads as a number).
std::string OwnResourceName(const ResourceId& id);

// A failure of the resource layer (kErrResourceNotFound, kErrInvalidPicture).
class ResourceError : public Error {
  public:
    using Error::Error;
};

// Throws a ResourceError.
[[noreturn]] void RaiseResourceError(std::int32_t number, std::string message);

// Throws ResourceError 326 "Resource with identifier 'ID' not found" for `id`.
[[noreturn]] void RaiseResourceNotFound(const ResourceId& id);

// The bytes of the program's own resource `id` of `type`. A missing resource throws
// ResourceError 326 "Resource with identifier 'ID' not found" (runtime::LoadResData passes it
// on as the program's numbered error).
std::vector<std::byte> LoadResData(const ResourceId& id, ResourceType type);

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

// The program's own bitmap resource `id` as a picture. A missing resource throws
// ResourceError 326 like LoadResData; a bitmap that cannot be read 481 "Invalid picture".
Picture LoadResPicture(std::int32_t id);

} // namespace platform
