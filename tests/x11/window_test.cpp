// The pet window as other programs see it: its shape, its picture, its place, and the roles
// it plays with and without a window manager.
#include "x11/x11_test.h"

#include "platform/x11/xlib/window.h"

#include "platform/x11/xlib/ewmh.h"
#include "platform/x11/xlib/pet_visual.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <vector>

namespace x11test {
namespace {

using platform::RegionRect;
using platform::x11::EventLoop;
using platform::x11::PetVisual;
using platform::x11::PetWindow;
using platform::x11::PixelView;
using platform::x11::Point;
using platform::x11::ServerPicture;
using platform::x11::WindowSize;
using platform::x11::WindowUpdate;

std::vector<RegionRect> AsRects(const std::vector<XRectangle>& xrects) {
    std::vector<RegionRect> rects;
    for (const XRectangle& r : xrects) {
        rects.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
    }
    return rects;
}

// A picture whose every pixel differs from its neighbours: blue x*9, green y*13, red 77.
struct TestPicture {
    int width;
    int height;
    std::vector<std::uint8_t> bytes;
    std::ptrdiff_t stride;

    TestPicture(int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3) {
        bytes.resize(static_cast<std::size_t>(stride * h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::uint8_t* pixel =
                    &bytes[static_cast<std::size_t>((h - 1 - y) * stride + 3 * x)];
                pixel[0] = static_cast<std::uint8_t>(x * 9);
                pixel[1] = static_cast<std::uint8_t>(y * 13);
                pixel[2] = 77;
            }
        }
    }
    // Stored bottom-up, as in a DIB section.
    PixelView View() const { return {width, height, stride, bytes.data(), true}; }
    static unsigned long Expected(int x, int y) {
        return (77UL << 16) | (static_cast<unsigned long>((y * 13) & 0xFF) << 8) |
               static_cast<unsigned long>((x * 9) & 0xFF);
    }
};

class WindowTest : public X11Test {
  protected:
    void MakeWindow(Point at = {300, 200}, WindowSize size = {37, 36}) {
        window_ = std::make_unique<PetWindow>(*connection_, *loop_, "Jellop test", at, size);
    }
    bool ShownAt(Point at) {
        return Eventually([&] {
            return observer_.Viewable(window_->Id()) && observer_.Position(window_->Id()) == at;
        });
    }
    std::unique_ptr<PetWindow> window_;
};

TEST_F(WindowTest, TheShapeIsExactlyTheLastOneSetForOddWidthsToo) {
    MakeWindow({300, 200}, {37, 36});
    // Odd widths and single pixels: a shape computed from a mask padded to 8 or 32 columns, or
    // OR-ed onto the shape before, would differ.
    const std::vector<RegionRect> first = {
        {0, 0, 37, 3}, {1, 3, 2, 4}, {5, 3, 36, 4}, {0, 4, 37, 36}};
    const std::vector<RegionRect> second = {
        {3, 0, 4, 1}, {17, 1, 20, 30}, {0, 30, 1, 31}, {36, 30, 37, 31}};
    window_->Apply({.shape = first});
    window_->Show();
    ASSERT_TRUE(ShownAt({300, 200}));
    EXPECT_EQ(AsRects(observer_.Shape(window_->Id(), ShapeBounding)), first);
    window_->Apply({.shape = second});
    connection_->Sync();
    EXPECT_EQ(AsRects(observer_.Shape(window_->Id(), ShapeBounding)), second);
    // The pointer meets the window inside its shape only: a click in a hole reaches what lies
    // below.
    const Window pet = observer_.TopLevel(window_->Id());
    EXPECT_EQ(observer_.TopLevelAt(300 + 18, 200 + 10), pet);
    EXPECT_NE(observer_.TopLevelAt(300 + 10, 200 + 10), pet);
    // Taken off, the whole window shows again, and takes the pointer everywhere.
    window_->RemoveShape();
    connection_->Sync();
    const std::vector<RegionRect> whole = {{0, 0, 37, 36}};
    EXPECT_EQ(AsRects(observer_.Shape(window_->Id(), ShapeBounding)), whole);
    EXPECT_EQ(observer_.TopLevelAt(300 + 10, 200 + 10), pet);
}

TEST_F(WindowTest, OneUpdateMovesSizesShapesAndPaintsTheWindow) {
    MakeWindow({100, 100}, {10, 10});
    window_->Show();
    ASSERT_TRUE(ShownAt({100, 100}));
    TestPicture picture(23, 17);
    ServerPicture uploaded(*connection_, picture.View());
    const std::vector<RegionRect> shape = {{0, 0, 23, 10}, {2, 10, 21, 17}};
    window_->Apply({.position = Point{421, 333},
                    .size = WindowSize{23, 17},
                    .shape = shape,
                    .picture = &uploaded});
    ASSERT_TRUE(ShownAt({421, 333}));
    EXPECT_EQ(window_->Position(), (Point{421, 333}));
    EXPECT_EQ(window_->Size(), (WindowSize{23, 17}));
    EXPECT_EQ(AsRects(observer_.Shape(window_->Id(), ShapeBounding)), shape);
    // The picture unscaled from the top-left corner, as the screen shows it.
    auto painted = [&] {
        for (const RegionRect& rect : shape) {
            for (int y = rect.top; y < rect.bottom; ++y) {
                for (int x = rect.left; x < rect.right; ++x) {
                    if (observer_.ScreenPixel(421 + x, 333 + y) != TestPicture::Expected(x, y)) {
                        return false;
                    }
                }
            }
        }
        return true;
    };
    EXPECT_TRUE(Eventually(painted));
}

// On a visual with alpha (the pet's under Xwayland, whose compositor may show a window's whole
// rectangle) the window's own pixels are the picture, opaque, inside its shape and clear (every
// bit 0) outside it, after every change of picture, shape or size.
TEST_F(WindowTest, OnAVisualWithAlphaThePictureIsClearOutsideTheShape) {
    const std::optional<PetVisual> alpha = platform::x11::AlphaVisual(*connection_);
    ASSERT_TRUE(alpha) << "the test server offers a 32-bit visual";
    window_ = std::make_unique<PetWindow>(*connection_, *loop_, "Jellop test", Point{300, 200},
                                          WindowSize{23, 17}, *alpha);
    const TestPicture small(23, 17);
    const TestPicture large(29, 21);
    ServerPicture first(*connection_, small.View(), 1, *alpha);
    ServerPicture second(*connection_, large.View(), 1, *alpha);
    const std::vector<RegionRect> jelly = {{4, 0, 19, 6}, {1, 6, 22, 17}};
    const std::vector<RegionRect> ring = {{0, 0, 23, 2}, {0, 2, 2, 15}, {21, 2, 23, 15},
                                          {0, 15, 23, 17}};
    const std::vector<RegionRect> grown = {{2, 0, 27, 21}};
    struct Step {
        const char* what;
        WindowUpdate update;
        bool removeShape;
        std::optional<std::vector<RegionRect>> shows; // none: the whole window
        WindowSize size;
    };
    const Step steps[] = {
        {"a picture and its shape", {.shape = jelly, .picture = &first}, false, jelly, {23, 17}},
        {"a new shape alone", {.shape = ring}, false, ring, {23, 17}},
        {"a larger picture, size and shape",
         {.size = WindowSize{29, 21}, .shape = grown, .picture = &second}, false, grown, {29, 21}},
        {"the shape taken off", {}, true, std::nullopt, {29, 21}},
        {"an empty shape", {.shape = std::span<const RegionRect>{}}, false,
         std::vector<RegionRect>{}, {29, 21}},
    };
    bool shown = false;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        window_->Apply(step.update);
        if (step.removeShape) {
            window_->RemoveShape();
        }
        if (!shown) {
            window_->Show();
            ASSERT_TRUE(ShownAt({300, 200}));
            shown = true;
        }
        // A manager's frame follows the window's shape a moment later, and clips it till then.
        int wrong = -1;
        auto painted = [&] {
            XImage* image = XGetImage(observer_.Get(), window_->Id(), 0, 0, step.size.width,
                                      step.size.height, AllPlanes, ZPixmap);
            if (image == nullptr) {
                return false;
            }
            wrong = 0;
            for (int y = 0; y < step.size.height; ++y) {
                for (int x = 0; x < step.size.width; ++x) {
                    bool inside = !step.shows;
                    for (const RegionRect& r : step.shows.value_or(std::vector<RegionRect>{})) {
                        inside = inside ||
                                 (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                    }
                    const unsigned long expected =
                        inside ? 0xFF000000UL | TestPicture::Expected(x, y) : 0;
                    wrong += (XGetPixel(image, x, y) & 0xFFFFFFFFUL) != expected;
                }
            }
            XDestroyImage(image);
            return wrong == 0;
        };
        EXPECT_TRUE(Eventually(painted)) << wrong << " pixels wrong";
    }
}

// Inside one callback the position is read from the server once, or comes with the pointer's
// reply; a placement by the program inside the same callback is read afresh.
TEST_F(WindowTest, InsideACallbackThePositionIsTheServersAfterEveryPlacement) {
    MakeWindow({100, 100}, {20, 20});
    window_->Show();
    ASSERT_TRUE(ShownAt({100, 100}));
    observer_.MovePointer(640, 512);
    std::vector<Point> read;
    bool done = false;
    EventLoop::Id timer = loop_->AddTimer(1ms, [&] {
        if (done) {
            return;
        }
        read.push_back(window_->PointerPosition());
        read.push_back(window_->Position());
        window_->Apply({.position = Point{150, 120}});
        read.push_back(window_->Position());
        done = true;
    });
    ASSERT_TRUE(Eventually([&] { return done; }));
    loop_->RemoveTimer(timer);
    const bool managed = ManagedDesktop(); // a manager may take its time over the move
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0], (Point{640, 512}));
    EXPECT_EQ(read[1], (Point{100, 100}));
    if (!managed) {
        EXPECT_EQ(read[2], (Point{150, 120}));
    }
    ASSERT_TRUE(ShownAt({150, 120}));
    EXPECT_EQ(window_->Position(), (Point{150, 120}));
}

// Frames of different sizes, as the walk shows them: each is one configure and one shape, and
// on a bare desktop none of them makes the window seem covered, even for a moment (the server
// would say so to the program twice a frame, and the pet, which keeps itself above the others
// there, would raise itself again each time). Under a manager the frame window it puts around
// the pet follows each resize a moment later, and the pet does not watch its visibility.
TEST_F(WindowTest, EachFrameIsOneConfigureAndOneShapeAndNeverSeemsCovered) {
    MakeWindow({100, 100}, {10, 10});
    window_->Show();
    ASSERT_TRUE(ShownAt({100, 100}));
    ::Display* display = observer_.Get();
    int shapeEvent = 0;
    int shapeError = 0;
    XShapeQueryExtension(display, &shapeEvent, &shapeError);
    XSelectInput(display, window_->Id(), StructureNotifyMask | VisibilityChangeMask);
    XShapeSelectInput(display, window_->Id(), ShapeNotifyMask);
    XSync(display, False);

    const WindowSize sizes[] = {{39, 37}, {41, 39}, {39, 33}, {37, 36}, {39, 37}, {41, 39}};
    std::vector<std::unique_ptr<TestPicture>> pictures;
    std::vector<std::unique_ptr<ServerPicture>> uploads;
    Point at{140, 150};
    for (const WindowSize& size : sizes) {
        pictures.push_back(std::make_unique<TestPicture>(size.width, size.height));
        uploads.push_back(std::make_unique<ServerPicture>(*connection_, pictures.back()->View()));
        // A jelly's outline: a row's span widens from the top down.
        std::vector<RegionRect> shape;
        for (int y = 0; y < size.height; ++y) {
            const int inset = (size.height - y) * size.width / (3 * size.height);
            shape.push_back({inset, y, size.width - inset, y + 1});
        }
        at.x += 3;
        at.y += 3;
        window_->Apply(
            {.position = at, .size = size, .shape = shape, .picture = uploads.back().get()});
    }
    ASSERT_TRUE(ShownAt(at));
    XSync(display, False);
    int configures = 0;
    int boundingShapes = 0;
    int visibilityChanges = 0;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        // A manager's own (synthetic) notices of where the frame is do not count.
        configures += event.type == ConfigureNotify && !event.xconfigure.send_event;
        boundingShapes += event.type == shapeEvent + ShapeNotify &&
                          reinterpret_cast<XShapeEvent&>(event).kind == ShapeBounding;
        visibilityChanges += event.type == VisibilityNotify;
    }
    EXPECT_EQ(configures, 6);
    EXPECT_EQ(boundingShapes, 6);
    if (!ManagedDesktop()) {
        EXPECT_EQ(visibilityChanges, 0);
    }
}

TEST_F(WindowTest, OpacityIsTheWindowPropertyAndShowsWhereACompositorRuns) {
    // A white window over the desktop's background.
    const unsigned long background = observer_.ScreenPixel(305, 205);
    MakeWindow({300, 200}, {37, 36});
    std::vector<std::uint8_t> white(static_cast<std::size_t>(((37 * 3 + 3) & ~3) * 36), 0xFF);
    ServerPicture picture(*connection_, {37, 36, (37 * 3 + 3) & ~3, white.data(), true});
    window_->Apply({.picture = &picture});
    window_->Show();
    ASSERT_TRUE(ShownAt({300, 200}));
    window_->SetOpacity(128);
    connection_->Sync();
    EXPECT_EQ(observer_.Longs(window_->Id(), "_NET_WM_WINDOW_OPACITY"),
              std::vector<unsigned long>{0x80808080UL});
    // On screen: half the white and half the background with a compositor, white without.
    bool composited =
        XGetSelectionOwner(observer_.Get(), observer_.Intern("_NET_WM_CM_S0")) != None;
    auto channel = [](unsigned long pixel, int shift) {
        return static_cast<int>((pixel >> shift) & 0xFF);
    };
    auto shows = [&] {
        unsigned long pixel = observer_.ScreenPixel(318, 218);
        for (int shift : {0, 8, 16}) {
            int expected = composited ? (255 * 128 + channel(background, shift) * 127) / 255 : 255;
            if (std::abs(channel(pixel, shift) - expected) > 4) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(Eventually(shows))
        << std::hex << observer_.ScreenPixel(318, 218) << " over " << background;
    window_->SetOpacity(0);
    connection_->Sync();
    EXPECT_EQ(observer_.Longs(window_->Id(), "_NET_WM_WINDOW_OPACITY"),
              std::vector<unsigned long>{0UL});
    window_->SetOpacity(255);
    connection_->Sync();
    EXPECT_TRUE(observer_.Longs(window_->Id(), "_NET_WM_WINDOW_OPACITY").empty());
    EXPECT_TRUE(Eventually([&] { return observer_.ScreenPixel(318, 218) == 0xFFFFFF; }));
}

TEST_F(WindowTest, WithAManagerTheWindowIsAnUndecoratedStickyUtilityAboveTheOthers) {
    if (!ManagedDesktop()) {
        GTEST_SKIP() << "the managed desktop's behaviour";
    }
    MakeWindow({428, 320});
    window_->Show();
    ASSERT_TRUE(window_->Managed());
    Window id = window_->Id();
    Window root = DefaultRootWindow(observer_.Get());
    // The manager has taken it: it is in the client list, and where it asked to be.
    ASSERT_TRUE(Eventually([&] {
        for (unsigned long client : observer_.Longs(root, "_NET_CLIENT_LIST")) {
            if (client == id) {
                return true;
            }
        }
        return false;
    }));
    EXPECT_TRUE(ShownAt({428, 320}));
    EXPECT_EQ(observer_.Longs(id, "_NET_FRAME_EXTENTS"), (std::vector<unsigned long>{0, 0, 0, 0}));
    // The states as the manager keeps them (openbox has no sticky state: a window on every
    // workspace is one on desktop 0xFFFFFFFF there).
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"}) {
        if (platform::x11::WindowManagerSupports(*connection_, state)) {
            EXPECT_TRUE(observer_.HasAtom(id, "_NET_WM_STATE", state)) << state;
        }
    }
    EXPECT_EQ(observer_.Longs(id, "_NET_WM_DESKTOP"), std::vector<unsigned long>{0xFFFFFFFFUL});
    // Still shown on another workspace.
    auto switchTo = [&](long desktop) {
        const long data[5] = {desktop, CurrentTime, 0, 0, 0};
        platform::x11::SendToRoot(*connection_, connection_->Root(), "_NET_CURRENT_DESKTOP", data);
        XFlush(connection_->Get());
        return Eventually([&] {
            return observer_.Longs(root, "_NET_CURRENT_DESKTOP") ==
                   std::vector<unsigned long>{static_cast<unsigned long>(desktop)};
        });
    };
    if (observer_.Longs(root, "_NET_NUMBER_OF_DESKTOPS").at(0) > 1) {
        ASSERT_TRUE(switchTo(1));
        EXPECT_TRUE(observer_.Viewable(id));
        ASSERT_TRUE(switchTo(0));
    }
    EXPECT_TRUE(observer_.HasAtom(id, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY"));
    XWMHints* hints = XGetWMHints(observer_.Get(), id);
    ASSERT_NE(hints, nullptr);
    EXPECT_TRUE(hints->flags & InputHint);
    EXPECT_FALSE(hints->input);
    XFree(hints);
    // A normal window mapped afterwards stays below it.
    Window other = XCreateSimpleWindow(observer_.Get(), root, 400, 300, 200, 200, 0, 0, 0);
    XMapRaised(observer_.Get(), other);
    XSync(observer_.Get(), False);
    auto above = [&] {
        std::vector<Window> stacking = observer_.Stacking();
        auto ours = std::find(stacking.begin(), stacking.end(), observer_.TopLevel(id));
        auto theirs = std::find(stacking.begin(), stacking.end(), observer_.TopLevel(other));
        return ours != stacking.end() && theirs != stacking.end() && ours > theirs &&
               observer_.Viewable(other);
    };
    EXPECT_TRUE(Eventually(above));
    // Out of the topmost band it is an ordinary window: raised, the other one covers it.
    window_->SetTopmost(false);
    ASSERT_TRUE(
        Eventually([&] { return !observer_.HasAtom(id, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"); }));
    XRaiseWindow(observer_.Get(), other);
    XSync(observer_.Get(), False);
    EXPECT_TRUE(Eventually([&] { return !above(); }));
    window_->SetTopmost(true);
    EXPECT_TRUE(Eventually(above));
    XDestroyWindow(observer_.Get(), other);
    XSync(observer_.Get(), False);
}

TEST_F(WindowTest, WithoutAManagerTheWindowPlacesItselfAndStaysAbove) {
    if (ManagedDesktop()) {
        GTEST_SKIP() << "the bare desktop's behaviour";
    }
    MakeWindow({428, 320});
    window_->Show();
    EXPECT_FALSE(window_->Managed());
    ASSERT_TRUE(ShownAt({428, 320}));
    XWindowAttributes attributes{};
    XGetWindowAttributes(observer_.Get(), window_->Id(), &attributes);
    EXPECT_TRUE(attributes.override_redirect);
    // Another program's window raised over it: the pet comes back on top.
    XSetWindowAttributes other{};
    other.override_redirect = True;
    Window root = DefaultRootWindow(observer_.Get());
    Window cover = XCreateWindow(observer_.Get(), root, 400, 300, 200, 200, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWOverrideRedirect, &other);
    XMapRaised(observer_.Get(), cover);
    XSync(observer_.Get(), False);
    auto petOnTop = [&] {
        std::vector<Window> stacking = observer_.Stacking();
        return !stacking.empty() && stacking.back() == window_->Id() && observer_.Viewable(cover);
    };
    EXPECT_TRUE(Eventually(petOnTop));
    // Out of the topmost band it no longer raises itself: covered, it stays covered.
    window_->SetTopmost(false);
    XRaiseWindow(observer_.Get(), cover);
    XSync(observer_.Get(), False);
    EXPECT_FALSE(Eventually(petOnTop, std::chrono::milliseconds(500)));
    window_->SetTopmost(true);
    EXPECT_TRUE(Eventually(petOnTop)) << "back in the band, it comes to the top";
    XDestroyWindow(observer_.Get(), cover);
    XSync(observer_.Get(), False);
}

} // namespace
} // namespace x11test
