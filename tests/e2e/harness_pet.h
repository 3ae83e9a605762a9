// What the pet's end-to-end tests need besides the harness: the frame set's shapes read from
// the region files of the source tree, recognising a window's shape as one of them, the
// keyboard, and the top-level windows that appear (a pop-up menu has no name to find it by).
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {

// The pixels a list of rectangles covers.
using PixelSet = std::set<std::pair<int, int>>;
PixelSet PixelsOf(const std::vector<Rect>& rectangles);

// The region of frame `frameId`, from resources/regions/<id>.rgn.
std::vector<Rect> FrameRegion(int frameId);

// The picture of frame `frameId`, from resources/frames/<id>.bmp: rows from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    const Pixel& At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
Picture FramePicture(int frameId);

// The opacity at which `screen` (captured over `place`) shows `frame` over a background of one
// colour: the least-squares a of screen = a * frame + (1 - a) * background over the pixels
// inside the frame's region.
double OpacityOnScreen(const std::vector<Pixel>& screen, const Geometry& place, int frameId,
                       Pixel background);

// The first of `frames` whose region covers exactly the pixels of `shape`.
std::optional<int> FrameOfShape(const std::vector<Rect>& shape, const std::vector<int>& frames);

// Starts the pet under test with the pointer first at (x, y), the pet's centre where it
// appears (so that it stays put), into `pet`; its window once it shows, none if it never does.
std::optional<::Window> LaunchPet(Desktop& desktop, std::unique_ptr<PetProcess>& pet, int x, int y);

// Puts the pointer on the window's centre, with a wiggle of a pixel: Wine reads the pointer
// afresh only once it has moved after the program started.
void PointAtCentre(Desktop& desktop, ::Window window);

// Whether the walk begins within 20 s: with the pointer on its centre (so that it does not
// step) the pet bounces to another frame of its standing series once the fade-in is over.
bool WalkBegins(Desktop& desktop, ::Window window);

// The keyboard and the window stack, through a display connection of its own.
class Screen {
  public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Presses and releases the key of `keysym` ("s", "Escape", ...).
    void PressKey(const std::string& keysym);
    // Every mapped child of the root window.
    std::vector<::Window> MappedTopLevelWindows();
    bool IsShown(::Window window);

  private:
    ::Display* display_;
};

} // namespace e2e
