#include "platform/x11/xlib/xft_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace platform::x11 {
namespace {

[[noreturn]] void CannotLoad(const char* what) {
    const char* reason = dlerror();
    std::fprintf(stderr, "jellop: cannot load %s%s%s\n", what, reason ? ": " : "",
                 reason ? reason : "");
    std::exit(1);
}

template <typename Function> void Load(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr) {
        CannotLoad(name);
    }
}

XftLibrary Open() {
    void* library = dlopen("libXft.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        CannotLoad("libXft.so.2");
    }
    XftLibrary xft{};
    Load(library, "XftFontOpen", xft.FontOpen);
    Load(library, "XftFontClose", xft.FontClose);
    Load(library, "XftColorAllocName", xft.ColorAllocName);
    Load(library, "XftColorFree", xft.ColorFree);
    Load(library, "XftTextExtentsUtf8", xft.TextExtentsUtf8);
    Load(library, "XftDrawCreate", xft.DrawCreate);
    Load(library, "XftDrawDestroy", xft.DrawDestroy);
    Load(library, "XftDrawStringUtf8", xft.DrawStringUtf8);
    Load(library, "XftDrawRect", xft.DrawRect);
    return xft; // the library stays loaded for the rest of the process
}

} // namespace

const XftLibrary& XftLibrary::Get() {
    static const XftLibrary xft = Open();
    return xft;
}

} // namespace platform::x11
