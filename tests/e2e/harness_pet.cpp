#include "harness_pet.h"

#include <X11/extensions/XTest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace e2e {
namespace {

std::string SourceRoot() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind("tests/e2e/"));
}

std::int32_t ReadInt32(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

PixelSet PixelsOf(const std::vector<Rect>& rectangles) {
    PixelSet pixels;
    for (const Rect& r : rectangles) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                pixels.emplace(x, y);
            }
        }
    }
    return pixels;
}

std::vector<Rect> FrameRegion(int frameId) {
    std::string path = SourceRoot() + "resources/regions/" + std::to_string(frameId) + ".rgn";
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
    if (bytes.size() < 32) {
        throw std::runtime_error("cannot read " + path);
    }
    // A region-data block: a 32-byte header (its third field the rectangle count), then the
    // rectangles as left, top, right, bottom.
    std::int32_t count = ReadInt32(bytes, 8);
    std::vector<Rect> rectangles;
    for (std::int32_t i = 0; i < count; ++i) {
        std::size_t at = 32 + static_cast<std::size_t>(i) * 16;
        rectangles.push_back({ReadInt32(bytes, at), ReadInt32(bytes, at + 4),
                              ReadInt32(bytes, at + 8), ReadInt32(bytes, at + 12)});
    }
    return rectangles;
}

std::optional<int> FrameOfShape(const std::vector<Rect>& shape, const std::vector<int>& frames) {
    PixelSet pixels = PixelsOf(shape);
    for (int frame : frames) {
        if (PixelsOf(FrameRegion(frame)) == pixels) {
            return frame;
        }
    }
    return std::nullopt;
}

namespace {

// Windows of other programs come and go while the tests look at them (a menu closes): a
// request about a window that is gone fails, and that is all.
int IgnoreXErrors(::Display*, XErrorEvent*) {
    return 0;
}

} // namespace

Screen::Screen() : display_(XOpenDisplay(nullptr)) {
    if (!display_) {
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    }
    XSetErrorHandler(&IgnoreXErrors);
}

Screen::~Screen() {
    XCloseDisplay(display_);
}

void Screen::PressKey(const std::string& keysym) {
    KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym.c_str()));
    if (code == 0) {
        throw std::runtime_error("no key for " + keysym);
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XFlush(display_);
}

std::vector<::Window> Screen::MappedTopLevelWindows() {
    std::vector<::Window> mapped;
    ::Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                mapped.push_back(children[i]);
            }
        }
    }
    if (children) {
        XFree(children);
    }
    return mapped;
}

bool Screen::IsShown(::Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
}

} // namespace e2e
