// Single instance per display, and the screen's metrics.
#include "x11/x11_test.h"

#include <X11/Xatom.h>

#include <utility>

#include "platform/x11/xlib/draw.h"
#include "platform/x11/xlib/instance.h"
#include "platform/x11/xlib/screen.h"

namespace x11test {
namespace {

using platform::x11::Connection;
using platform::x11::EventLoop;
using platform::x11::InstanceClaim;

TEST_F(X11Test, TheFirstCopyOwnsTheDisplayAndASecondLearnsItIsSecond) {
    std::unique_ptr<InstanceClaim> first = InstanceClaim::Claim(*connection_, *loop_);
    ASSERT_NE(first, nullptr);
    auto secondConnection = Connection::Open();
    EventLoop secondLoop(*secondConnection);
    EXPECT_EQ(InstanceClaim::Claim(*secondConnection, secondLoop), nullptr);
    EXPECT_EQ(InstanceClaim::Claim(*connection_, *loop_), nullptr);

    // Another program asking for the selection's contents gets an answer (none), not a wait.
    ::Display* display = observer_.Get();
    Window requestor =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    Atom selection = XInternAtom(display, "_JELLOP_S0", False);
    XConvertSelection(display, selection, XA_STRING, XInternAtom(display, "RESULT", False),
                      requestor, CurrentTime);
    XSync(display, False);
    XEvent answer{};
    EXPECT_TRUE(Eventually([&] {
        return XCheckTypedWindowEvent(display, requestor, SelectionNotify, &answer) == True;
    }));
    EXPECT_EQ(answer.xselection.property, None);
    XDestroyWindow(display, requestor);

    // Once the first copy has gone, the next one is first.
    first.reset();
    connection_->Sync();
    EXPECT_NE(InstanceClaim::Claim(*secondConnection, secondLoop), nullptr);
}

// Sets the root's resource database for the test and puts the old one back afterwards.
class ResourceDatabase {
  public:
    explicit ResourceDatabase(const Observer& observer) : observer_(observer) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(observer.Get(), Root(), XA_RESOURCE_MANAGER, 0, 1 << 20, False,
                           XA_STRING, &type, &format, &count, &after, &data);
        had_ = type == XA_STRING;
        if (data != nullptr) {
            saved_.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
    }
    ~ResourceDatabase() {
        if (had_) {
            Set(saved_);
        } else {
            XDeleteProperty(observer_.Get(), Root(), XA_RESOURCE_MANAGER);
            XSync(observer_.Get(), False);
        }
    }
    void Set(const std::string& text) const {
        XChangeProperty(observer_.Get(), Root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
        XSync(observer_.Get(), False);
    }

  private:
    Window Root() const { return DefaultRootWindow(observer_.Get()); }
    const Observer& observer_;
    bool had_ = false;
    std::string saved_;
};

TEST_F(X11Test, TheResolutionIsXftDpiWhenSetAndTheFontsFollowIt) {
    ResourceDatabase database(observer_);
    database.Set("Xcursor.size:\t24\n");
    EXPECT_DOUBLE_EQ(platform::x11::ScreenDpi(*connection_), 96.0);
    database.Set("Xcursor.size:\t24\nXft.dpi:\t144\n");
    EXPECT_DOUBLE_EQ(platform::x11::ScreenDpi(*connection_), 144.0);
    database.Set("Xft.dpi:\tnonsense\n");
    EXPECT_DOUBLE_EQ(platform::x11::ScreenDpi(*connection_), 96.0);

    // The whole-number scale the program is drawn at: dpi / 96 to the nearest, halves up.
    for (auto [dpi, scale] : {std::pair{72.0, 1},
                              {96.0, 1},
                              {120.0, 1},
                              {143.9, 1},
                              {144.0, 2},
                              {192.0, 2},
                              {239.0, 2},
                              {240.0, 3},
                              {384.0, 4}}) {
        EXPECT_EQ(platform::x11::ScaleForDpi(dpi), scale) << dpi << " DPI";
    }

    platform::x11::ScreenSize size = platform::x11::ScreenSizeInPixels(*connection_);
    EXPECT_EQ(size.width, DisplayWidth(observer_.Get(), 0));
    EXPECT_EQ(size.height, DisplayHeight(observer_.Get(), 0));

    // Text twice as high at twice the resolution.
    platform::x11::Painter normal(*connection_, 96);
    platform::x11::Painter doubled(*connection_, 192);
    EXPECT_NEAR(doubled.LineHeight(), 2 * normal.LineHeight(), 2);
    EXPECT_NEAR(doubled.TextWidth("Sounds"), 2 * normal.TextWidth("Sounds"), 3);
    EXPECT_GT(normal.TextWidth("Sounds"), normal.TextWidth("Die"));
}

} // namespace
} // namespace x11test
