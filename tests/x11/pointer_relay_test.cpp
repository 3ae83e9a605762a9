// Where the pointer is read from on each kind of session, and relayed positions on the X screen.
// (The relay itself is tried on the real compositors: scripts/wayland.sh.)
#include <gtest/gtest.h>

#include "platform/x11/xlib/pointer_relay_choice.h"

namespace {

using platform::x11::ChoosePointerSource;
using platform::x11::LogicalArea;
using platform::x11::MapToScreen;
using platform::x11::PointerSource;
using platform::x11::ScreenPoint;
using platform::x11::SessionFacts;

TEST(PointerRelayChoice, EachSessionGetsItsSourceAndAtMostOneNotice) {
    struct Case {
        const char* name;
        SessionFacts facts;
        PointerSource source;
        const char* noticeHas; // nullptr: no notice at all
    };
    const Case cases[] = {
        {"X11 session", {"", "x11", "", true, true, true, true}, PointerSource::X, nullptr},
        {"no session type", {"", "", "", false, false, false, false}, PointerSource::X, nullptr},
        {"KWin by WAYLAND_DISPLAY",
         {"wayland-0", "", "", true, true, false, false},
         PointerSource::KWinScript,
         nullptr},
        {"KWin by session type",
         {"", "wayland", "", true, true, false, false},
         PointerSource::KWinScript,
         nullptr},
        {"GNOME with the extension",
         {"wayland-0", "wayland", "", true, false, true, true},
         PointerSource::ShellExtension,
         nullptr},
        {"GNOME 43 without it",
         {"wayland-0", "wayland", "", true, false, true, false, 43},
         PointerSource::X,
         "gnome-extensions enable jellop-pointer-43@desktopjellop.org"},
        {"GNOME 46 without it",
         {"wayland-0", "wayland", "", true, false, true, false, 46},
         PointerSource::X,
         "gnome-extensions enable jellop-pointer@desktopjellop.org"},
        {"sway",
         {"wayland-1", "wayland", "", true, false, false, false},
         PointerSource::X,
         "tells no program where the pointer is"},
        {"no session bus",
         {"wayland-0", "", "", false, false, false, false},
         PointerSource::X,
         "no session bus"},
        {"relay turned off",
         {"wayland-0", "wayland", "off", true, true, false, false},
         PointerSource::X,
         "JELLOP_POINTER_RELAY=off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto choice = ChoosePointerSource(c.facts);
        EXPECT_EQ(choice.source, c.source);
        if (c.noticeHas == nullptr) {
            EXPECT_EQ(choice.notice, "");
        } else {
            EXPECT_NE(choice.notice.find("follows the pointer only over X windows"),
                      std::string::npos)
                << choice.notice;
            EXPECT_NE(choice.notice.find(c.noticeHas), std::string::npos) << choice.notice;
            EXPECT_EQ(choice.notice.find('\n'), std::string::npos); // one line
        }
    }
}

TEST(PointerRelayMapping, LogicalPositionsLandOnTheXScreenAtEachScale) {
    struct Case {
        const char* name;
        double x, y;
        LogicalArea area;
        int rootWidth, rootHeight;
        ScreenPoint expected;
    };
    const Case cases[] = {
        {"scale 1", 639.5, 399, {0, 0, 1280, 800}, 1280, 800, {639, 399}},
        // Scale 2 with the compositor scaling X clients' windows: the root is the logical size.
        {"scale 2, scaled by the compositor", 700, 500, {0, 0, 1280, 800}, 1280, 800, {700, 500}},
        // Scale 2 with X clients drawing at the output's scale: the root is twice as large.
        {"scale 2, X clients scale themselves",
         700.25,
         500,
         {0, 0, 1280, 800},
         2560,
         1600,
         {1400, 1000}},
        // Outputs to the left of or above the origin: the root starts at the layout's corner.
        {"layout from negative positions",
         -1000,
         20,
         {-1920, 0, 3200, 1080},
         3200,
         1080,
         {920, 20}},
        {"two axes scaled on their own", 10, 10, {0, 0, 1000, 500}, 2000, 500, {20, 10}},
        {"clamped to the root", 5000, -3, {0, 0, 1280, 800}, 1280, 800, {1279, 0}},
        {"no area yet: taken as it comes", 300, 250, {0, 0, 0, 0}, 1280, 800, {300, 250}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MapToScreen(c.x, c.y, c.area, c.rootWidth, c.rootHeight), c.expected);
    }
}

} // namespace
