#include "harness_pet.h"

#include <X11/extensions/XTest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <tuple>

#include "gdi/little_endian.h"

namespace e2e {
namespace {

std::string SourceRoot() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind("tests/e2e/"));
}

std::int32_t ReadInt32(const std::vector<char>& bytes, std::size_t at) {
    return static_cast<std::int32_t>(platform::le::Read32(bytes, at).value());
}

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
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
    std::vector<char> bytes = ReadFile(path);
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

Picture FramePicture(int frameId) {
    std::string path = SourceRoot() + "resources/frames/" + std::to_string(frameId) + ".bmp";
    std::vector<char> bytes = ReadFile(path);
    // An uncompressed 8-bit bitmap file: a 14-byte file header (the pixels' offset at 10), a
    // 40-byte info header (width at 18, height at 22, bottom-up), 256 palette entries (blue,
    // green, red, unused), rows padded to 4 bytes.
    if (bytes.size() < 54 + 1024 || bytes[0] != 'B' || bytes[1] != 'M') {
        throw std::runtime_error("cannot read " + path);
    }
    Picture picture;
    picture.width = ReadInt32(bytes, 18);
    picture.height = ReadInt32(bytes, 22);
    std::size_t offset = static_cast<std::size_t>(ReadInt32(bytes, 10));
    std::size_t stride = (static_cast<std::size_t>(picture.width) + 3) & ~std::size_t{3};
    for (int y = 0; y < picture.height; ++y) {
        std::size_t row = offset + static_cast<std::size_t>(picture.height - 1 - y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            auto index = static_cast<std::uint8_t>(bytes.at(row + static_cast<std::size_t>(x)));
            std::size_t entry = 54 + index * 4u;
            picture.pixels.push_back({static_cast<std::uint8_t>(bytes.at(entry + 2)),
                                      static_cast<std::uint8_t>(bytes.at(entry + 1)),
                                      static_cast<std::uint8_t>(bytes.at(entry))});
        }
    }
    return picture;
}

double OpacityOnScreen(const std::vector<Pixel>& screen, const Geometry& place, int frameId,
                       Pixel background) {
    Picture frame = FramePicture(frameId);
    double along = 0, norm = 0;
    for (auto [x, y] : PixelsOf(FrameRegion(frameId))) {
        if (x >= place.width || y >= place.height) {
            continue;
        }
        const Pixel& s = screen[static_cast<std::size_t>(y * place.width + x)];
        const Pixel& p = frame.At(x, y);
        for (auto [sc, pc, bc] : {std::tuple{s.red, p.red, background.red},
                                  std::tuple{s.green, p.green, background.green},
                                  std::tuple{s.blue, p.blue, background.blue}}) {
            double d = static_cast<double>(pc) - bc;
            along += (static_cast<double>(sc) - bc) * d;
            norm += d * d;
        }
    }
    return norm > 0 ? along / norm : 1.0;
}

std::optional<int> FrameOfShape(const std::vector<Rect>& shape, const std::vector<int>& frames) {
    // Read once per frame: the tests recognise shapes many times a second.
    static std::map<int, PixelSet> known;
    PixelSet pixels = PixelsOf(shape);
    for (int frame : frames) {
        auto found = known.find(frame);
        if (found == known.end()) {
            found = known.emplace(frame, PixelsOf(FrameRegion(frame))).first;
        }
        if (found->second == pixels) {
            return frame;
        }
    }
    return std::nullopt;
}

Screen::Screen() : display_(XOpenDisplay(nullptr)) {
    if (!display_) {
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    }
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
    XSync(display_, False);
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

std::optional<::Window> LaunchPet(Desktop& desktop, std::unique_ptr<PetProcess>& pet, int x,
                                  int y) {
    desktop.MovePointer(x, y);
    pet = std::make_unique<PetProcess>();
    return desktop.FindWindow("Form1", 30s);
}

void PointAtCentre(Desktop& desktop, ::Window window) {
    Geometry g = desktop.GeometryOf(window);
    desktop.MovePointer(g.x + g.width / 2 + 1, g.y + g.height / 2);
    desktop.MovePointer(g.x + g.width / 2, g.y + g.height / 2);
}

bool WalkBegins(Desktop& desktop, ::Window window) {
    PointAtCentre(desktop, window);
    return WaitUntil(
        [&] {
            return FrameOfShape(desktop.ShapeOf(window), {102, 103, 104}).has_value();
        },
        20s);
}

} // namespace e2e
