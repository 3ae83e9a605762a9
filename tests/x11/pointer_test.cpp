// The pointer and buttons: the global position, typed button events and double-clicks by the
// desktop's double-click time, dragging, and the focus that clicks never take.
#include "x11/x11_test.h"

#include <X11/Xatom.h>

#include <thread>

#include "platform/x11/xlib/drag.h"
#include "platform/x11/xlib/ewmh.h"
#include "platform/x11/xlib/window.h"
#include "platform/x11/xlib/xsettings.h"

namespace x11test {
namespace {

using platform::x11::ButtonEvent;
using platform::x11::MouseButton;
using platform::x11::PetWindow;
using platform::x11::Point;
using platform::x11::WindowSize;

// A settings block of the XSettings protocol, least significant byte first.
struct SettingsBlock {
    std::vector<std::uint8_t> bytes{0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0};
    int count = 0;

    void U16(unsigned v) { bytes.insert(bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Name(std::uint8_t type, const std::string& name) {
        bytes.insert(bytes.end(), {type, 0});
        U16(static_cast<unsigned>(name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        U32(1); // last change serial
        bytes[8] = static_cast<std::uint8_t>(++count);
    }
    SettingsBlock& Integer(const std::string& name, std::int32_t value) {
        Name(0, name);
        U32(static_cast<std::uint32_t>(value));
        return *this;
    }
    SettingsBlock& String(const std::string& name, const std::string& value) {
        Name(1, name);
        U32(static_cast<std::uint32_t>(value.size()));
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        return *this;
    }
    SettingsBlock& Color(const std::string& name) {
        Name(2, name);
        U32(0xFFFF);
        U32(0xFFFF);
        return *this;
    }
};

TEST(XSettings, IntegersAreFoundPastOtherSettingsAndDamageFindsNothing) {
    SettingsBlock block;
    block.String("Net/ThemeName", "Adwaita")
        .Color("Gtk/Colour")
        .Integer("Net/DoubleClickTime", 250);
    EXPECT_EQ(platform::x11::XSettingsInteger(block.bytes, "Net/DoubleClickTime"), 250);
    EXPECT_EQ(platform::x11::XSettingsInteger(block.bytes, "Net/DoubleClick"), std::nullopt);
    // Every truncation: found only while the whole value is there.
    for (std::size_t size = 0; size < block.bytes.size(); ++size) {
        std::vector<std::uint8_t> cut(block.bytes.begin(), block.bytes.begin() + size);
        EXPECT_EQ(platform::x11::XSettingsInteger(cut, "Net/DoubleClickTime"), std::nullopt)
            << size;
    }
    // A string's length that runs past the end.
    SettingsBlock longString;
    longString.String("Net/ThemeName", "x").Integer("Net/DoubleClickTime", 250);
    longString.bytes[12 + 4 + 16 + 4] = 0xFF;
    EXPECT_EQ(platform::x11::XSettingsInteger(longString.bytes, "Net/DoubleClickTime"),
              std::nullopt);
    // Most significant byte first.
    std::vector<std::uint8_t> big = {1, 0, 0,   0,   0,   0, 0, 7, 0, 0, 0, 1, 0,    0,
                                     0, 3, 'N', 'e', 't', 0, 0, 0, 0, 1, 0, 0, 0x01, 0x2C};
    EXPECT_EQ(platform::x11::XSettingsInteger(big, "Net"), 300);
}

class PointerTest : public X11Test {
  protected:
    void SetUp() override {
        X11Test::SetUp();
        window_ = std::make_unique<PetWindow>(*connection_, *loop_, "Jellop pointer test",
                                              Point{500, 400}, WindowSize{40, 40});
        window_->OnButton([this](const ButtonEvent& event) {
            events_.push_back(event);
            if (onButton_) {
                onButton_(event);
            }
        });
        window_->Show();
        ASSERT_TRUE(Eventually([&] {
            return observer_.Viewable(window_->Id()) &&
                   observer_.Position(window_->Id()) == Point{500, 400};
        }));
    }
    // Waits until `count` button events have come.
    bool EventsCame(std::size_t count) {
        return Eventually([&] { return events_.size() >= count; });
    }

    std::unique_ptr<PetWindow> window_;
    std::vector<ButtonEvent> events_;
    std::function<void(const ButtonEvent&)> onButton_;
};

TEST_F(PointerTest, ThePositionIsTheServersAndButtonsComeTyped) {
    observer_.MovePointer(123, 456);
    EXPECT_EQ(platform::x11::PointerPosition(*connection_), (Point{123, 456}));
    observer_.MovePointer(510, 407);
    // The wheel and the side buttons: nothing, as a Windows program gets no press from them.
    for (unsigned button : {4u, 5u, 6u, 7u, 8u, 9u}) {
        observer_.Click(button);
    }
    observer_.Key("Shift_L", true);
    observer_.Click(3);
    observer_.Key("Shift_L", false);
    observer_.Key("Control_L", true);
    observer_.Click(2);
    observer_.Key("Control_L", false);
    ASSERT_TRUE(EventsCame(4));
    EXPECT_EQ(events_[0].button, MouseButton::Right);
    EXPECT_TRUE(events_[0].pressed);
    EXPECT_TRUE(events_[0].shift);
    EXPECT_FALSE(events_[0].control);
    EXPECT_EQ(events_[0].screen, (Point{510, 407}));
    EXPECT_EQ(events_[0].window, (Point{10, 7}));
    EXPECT_FALSE(events_[1].pressed);
    EXPECT_EQ(events_[2].button, MouseButton::Middle);
    EXPECT_TRUE(events_[2].control);
    EXPECT_FALSE(events_[2].shift);
    EXPECT_FALSE(events_[0].doubleClick || events_[2].doubleClick);
}

// Presses of the clicks in `events`, and which of them were double-clicks.
std::vector<bool> DoubleClicks(const std::vector<ButtonEvent>& events) {
    std::vector<bool> doubles;
    for (const ButtonEvent& event : events) {
        if (event.pressed) {
            doubles.push_back(event.doubleClick);
        }
    }
    return doubles;
}

TEST_F(PointerTest, DoubleClicksFollowTheDesktopsDoubleClickTime) {
    observer_.MovePointer(520, 420);
    // Three clicks 150 ms apart: without a settings manager (400 ms) the second is a
    // double-click, and the third starts afresh.
    for (int click = 0; click < 3; ++click) {
        observer_.Click(1);
        std::this_thread::sleep_for(150ms);
    }
    ASSERT_TRUE(EventsCame(6));
    EXPECT_EQ(DoubleClicks(events_), (std::vector<bool>{false, true, false}));

    // A settings manager that says 50 ms: the same clicks are single ones. (The observer
    // stands in for the manager; the block is the protocol's.)
    Window manager = XCreateSimpleWindow(observer_.Get(), DefaultRootWindow(observer_.Get()), 0, 0,
                                         1, 1, 0, 0, 0);
    SettingsBlock block;
    block.Integer("Net/DoubleClickTime", 50);
    Atom settings = observer_.Intern("_XSETTINGS_SETTINGS");
    XChangeProperty(observer_.Get(), manager, settings, settings, 8, PropModeReplace,
                    block.bytes.data(), static_cast<int>(block.bytes.size()));
    std::string selection = "_XSETTINGS_S" + std::to_string(DefaultScreen(observer_.Get()));
    XSetSelectionOwner(observer_.Get(), observer_.Intern(selection.c_str()), manager, CurrentTime);
    XSync(observer_.Get(), False);
    EXPECT_EQ(platform::x11::DoubleClickTime(*connection_), 50);
    events_.clear();
    for (int click = 0; click < 2; ++click) {
        observer_.Click(1);
        std::this_thread::sleep_for(150ms);
    }
    ASSERT_TRUE(EventsCame(4));
    EXPECT_EQ(DoubleClicks(events_), (std::vector<bool>{false, false}));
    XDestroyWindow(observer_.Get(), manager);
    XSync(observer_.Get(), False);
    EXPECT_EQ(platform::x11::DoubleClickTime(*connection_), 400);
}

TEST_F(PointerTest, ALeftDragMovesTheWindowToWhereTheButtonIsReleased) {
    int ticks = 0;
    std::vector<std::pair<Point, Point>> seen; // ours and the observer's, during the drag
    bool dragging = false;
    loop_->AddTimer(20ms, [&] {
        ++ticks;
        if (dragging) {
            seen.emplace_back(window_->Position(), observer_.Position(window_->Id()));
        }
    });
    // Driven from a timer: the drag is a modal loop.
    int step = 0;
    loop_->AddTimer(40ms, [&] {
        if (!dragging || step > 12) {
            return;
        }
        ++step;
        if (step <= 10) {
            observer_.MovePointer(510 + 20 * step, 410 + 10 * step);
        } else if (step == 12) {
            observer_.Button(1, false);
        }
    });
    std::optional<Point> ended;
    int ticksInDrag = 0;
    onButton_ = [&](const ButtonEvent& event) {
        if (event.button == MouseButton::Left && event.pressed && !dragging) {
            dragging = true;
            int before = ticks;
            ended = platform::x11::DragWindow(*connection_, *loop_, *window_, event);
            ticksInDrag = ticks - before;
            dragging = false;
        }
    };
    observer_.MovePointer(510, 410);
    observer_.Button(1, true);
    ASSERT_TRUE(Eventually([&] { return ended.has_value(); }, 30s));
    // Pressed at (10, 10) of the window, released at (710, 510).
    EXPECT_TRUE(Eventually([&] { return observer_.Position(window_->Id()) == Point{700, 500}; }));
    EXPECT_EQ(window_->Position(), (Point{700, 500}));
    EXPECT_GE(ticksInDrag, 10);
    // The window's position as the program read it was the server's at each tick.
    ASSERT_FALSE(seen.empty());
    for (const auto& [ours, server] : seen) {
        EXPECT_EQ(ours, server);
    }
    EXPECT_NE(seen.back().first, (Point{500, 400})) << "the window did not move during the drag";
}

TEST_F(PointerTest, ClicksNeverTakeTheFocus) {
    if (!ManagedDesktop()) {
        GTEST_SKIP() << "the managed desktop's behaviour: there the manager gives the focus";
    }
    // Another program's window has the focus.
    Window root = DefaultRootWindow(observer_.Get());
    Window witness = XCreateSimpleWindow(observer_.Get(), root, 100, 100, 200, 100, 0, 0, 0);
    XMapRaised(observer_.Get(), witness);
    XSync(observer_.Get(), False);
    auto focusIs = [&](Window window) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(observer_.Get(), &focus, &revert);
        return focus == window;
    };
    ASSERT_TRUE(Eventually([&] { return focusIs(witness); })) << "the witness never had the focus";
    // A click on the pet, and a pager's request to activate it.
    observer_.MovePointer(515, 415);
    observer_.Click(1);
    ASSERT_TRUE(EventsCame(2));
    const long activate[5] = {2, CurrentTime, 0, 0, 0};
    platform::x11::SendToRoot(*connection_, window_->Id(), "_NET_ACTIVE_WINDOW", activate);
    XFlush(connection_->Get());
    // A round trip to the manager: once it has answered a later request, it has handled both.
    const long state[5] = {1, static_cast<long>(observer_.Intern("_NET_WM_STATE_ABOVE")), 0, 1, 0};
    platform::x11::SendToRoot(*connection_, witness, "_NET_WM_STATE", state);
    XFlush(connection_->Get());
    ASSERT_TRUE(Eventually(
        [&] { return observer_.HasAtom(witness, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"); }));
    EXPECT_TRUE(focusIs(witness));
    EXPECT_NE(observer_.Longs(root, "_NET_ACTIVE_WINDOW"),
              std::vector<unsigned long>{window_->Id()});
    XDestroyWindow(observer_.Get(), witness);
    XSync(observer_.Get(), False);
}

} // namespace
} // namespace x11test
