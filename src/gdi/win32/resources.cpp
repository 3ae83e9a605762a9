// Resources on Win32: the module and resource calls, with integer ids given as "#" names
// turned into integer resources here so that only valid 16-bit ids reach the system.
#include "gdi/resources.h"

#include "gdi/win32/handle_cast.h"

#undef FindResource
#undef LoadLibraryEx

namespace platform {

using win32::FromNative;
using win32::ToHmodule;

bool FreeLibrary(ModuleHandle module) {
    return ::FreeLibrary(ToHmodule(module)) != FALSE;
}

Module LoadLibraryEx(const std::string& path, std::uint32_t flags) {
    if (path.empty()) {
        return {};
    }
    return Module(FromNative<ModuleHandle>(::LoadLibraryExA(path.c_str(), nullptr, flags)));
}

ResourceInfoHandle FindResource(ModuleHandle module, const std::string& name, ResourceType type) {
    LPCSTR nativeType = MAKEINTRESOURCEA(static_cast<WORD>(type));
    HRSRC found = nullptr;
    if (std::optional<std::uint16_t> id = IntegerResourceName(name)) {
        found = ::FindResourceA(ToHmodule(module), MAKEINTRESOURCEA(*id), nativeType);
    } else if (!name.empty() && name[0] != '#') {
        found = ::FindResourceA(ToHmodule(module), name.c_str(), nativeType);
    }
    return FromNative<ResourceInfoHandle>(found);
}

std::uint32_t SizeofResource(ModuleHandle module, ResourceInfoHandle resource) {
    return ::SizeofResource(ToHmodule(module), win32::ToNative<HRSRC>(resource));
}

ResourceDataHandle LoadResource(ModuleHandle module, ResourceInfoHandle resource) {
    return FromNative<ResourceDataHandle>(
        ::LoadResource(ToHmodule(module), win32::ToNative<HRSRC>(resource)));
}

const void* LockResource(ResourceDataHandle data) {
    return ::LockResource(win32::ToNative<HGLOBAL>(data));
}

Picture LoadResPicture(std::int32_t id) {
    if (IsNull(FindResource(ModuleHandle{}, OwnResourceName(id), ResourceType::Bitmap))) {
        RaiseResourceNotFound(id);
    }
    // A DIB section keeps the resource's own pixels whatever the screen's colour depth.
    HANDLE bitmap =
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(static_cast<WORD>(id)),
                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (bitmap == nullptr) {
        RaiseResourceError(kErrInvalidPicture, "Invalid picture");
    }
    return Picture(Bitmap(FromNative<BitmapHandle>(bitmap)));
}

} // namespace platform
