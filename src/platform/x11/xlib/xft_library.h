// Xft, the font drawing of the program's own pop-ups, loaded when the first one is drawn: a
// pet that is never right-clicked does not carry Xft, fontconfig and FreeType (about 0.6 MB)
// all day. The package depends on libxft2, as a linked program would.
#pragma once

#include <X11/Xft/Xft.h>

namespace platform::x11 {

struct XftLibrary {
    decltype(&::XftFontOpen) FontOpen;
    decltype(&::XftFontClose) FontClose;
    decltype(&::XftColorAllocName) ColorAllocName;
    decltype(&::XftColorFree) ColorFree;
    decltype(&::XftTextExtentsUtf8) TextExtentsUtf8;
    decltype(&::XftDrawCreate) DrawCreate;
    decltype(&::XftDrawDestroy) DrawDestroy;
    decltype(&::XftDrawStringUtf8) DrawStringUtf8;
    decltype(&::XftDrawRect) DrawRect;

    // The library, loaded on the first call; a program without it cannot draw its pop-ups and
    // ends with the reason on standard error.
    static const XftLibrary& Get();
};

} // namespace platform::x11
