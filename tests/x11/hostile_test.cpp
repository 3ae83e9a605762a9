// Other X clients that do what no well-behaved one does: take the single-instance selection
// and die, send any client message to the program's windows, publish damaged settings.
#include "x11/x11_test.h"

#include <X11/Xatom.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/xlib/instance.h"
#include "platform/x11/xlib/messagebox.h"
#include "platform/x11/xlib/screen.h"
#include "platform/x11/xlib/window.h"
#include "platform/x11/xlib/xsettings.h"

namespace x11test {
namespace {

using platform::x11::Connection;
using platform::x11::EventLoop;
using platform::x11::InstanceClaim;
using platform::x11::PetWindow;
using platform::x11::Point;
using platform::x11::WindowSize;

// Another program: a connection of its own with one window, which it closes when it dies.
class OtherClient {
  public:
    OtherClient() : display_(XOpenDisplay(nullptr)) {
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    }
    ~OtherClient() { Die(); }
    ::Display* Get() const { return display_; }
    Window Id() const { return window_; }
    void TakeSelection(const std::string& name) {
        XSetSelectionOwner(display_, XInternAtom(display_, name.c_str(), False), window_,
                           CurrentTime);
        XSync(display_, False);
    }
    // Ends the connection as a crash would: the server destroys its window.
    void Die() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
            display_ = nullptr;
        }
    }

  private:
    ::Display* display_;
    Window window_;
};

std::string InstanceName(const Observer& observer) {
    return "_JELLOP_S" + std::to_string(DefaultScreen(observer.Get()));
}

TEST_F(X11Test, AnotherClientHoldingTheInstanceSelectionAndDyingLeavesOneCopy) {
    auto secondConnection = Connection::Open();
    EventLoop secondLoop(*secondConnection);
    {
        // Held when the program starts: the program is the second copy; once the holder has
        // died, the next start is the first.
        OtherClient holder;
        holder.TakeSelection(InstanceName(observer_));
        EXPECT_EQ(InstanceClaim::Claim(*connection_, *loop_), nullptr);
    }
    std::unique_ptr<InstanceClaim> first = InstanceClaim::Claim(*connection_, *loop_);
    ASSERT_NE(first, nullptr);

    // Taken from the running copy by force, and the taker dies: the running copy takes it back,
    // so a copy started afterwards is still second. Before, the selection was left free and a
    // second pet started.
    for (bool noticedFirst : {true, false}) {
        SCOPED_TRACE(noticedFirst ? "dies after the copy has seen it go" : "dies at once");
        OtherClient taker;
        taker.TakeSelection(InstanceName(observer_));
        EXPECT_FALSE(first->Owns());
        if (noticedFirst) {
            // The running copy watches the taker's window.
            ASSERT_TRUE(Eventually([&] {
                XWindowAttributes attributes{};
                XGetWindowAttributes(observer_.Get(), taker.Id(), &attributes);
                return (attributes.all_event_masks & StructureNotifyMask) != 0;
            }));
        }
        taker.Die();
        EXPECT_TRUE(Eventually([&] { return first->Owns(); }));
        EXPECT_EQ(InstanceClaim::Claim(*secondConnection, secondLoop), nullptr);
    }
}

// Every kind of client message a client can make: types the program knows and does not, each
// format, protocol messages other than the manager's close, and the close's atom where it means
// nothing. Sent to `window` by the observer.
void SendEveryOtherClientMessage(const Observer& observer, Window window) {
    const Atom protocols = observer.Intern("WM_PROTOCOLS");
    const Atom close = observer.Intern("WM_DELETE_WINDOW");
    const Atom types[] = {protocols,
                          close,
                          observer.Intern("WM_CHANGE_STATE"),
                          observer.Intern("_NET_WM_STATE"),
                          observer.Intern("_NET_CLOSE_WINDOW"),
                          observer.Intern("_NET_ACTIVE_WINDOW"),
                          observer.Intern("_NET_WM_MOVERESIZE"),
                          observer.Intern("MANAGER"),
                          observer.Intern("_XEMBED"),
                          observer.Intern("JELLOP_NONSENSE"),
                          None};
    const long firsts[] = {0,
                           static_cast<long>(observer.Intern("WM_TAKE_FOCUS")),
                           static_cast<long>(observer.Intern("_NET_WM_PING")),
                           static_cast<long>(observer.Intern("_NET_WM_SYNC_REQUEST")),
                           -1,
                           0x1FFFFFFF,
                           static_cast<long>(close)}; // last: a box closed by it stays closed
    for (Atom type : types) {
        for (int format : {8, 16, 32}) {
            for (long first : firsts) {
                // The manager's close itself is not sent.
                if (type == protocols && format == 32 && first == static_cast<long>(close)) {
                    continue;
                }
                XEvent message{};
                message.xclient.type = ClientMessage;
                message.xclient.window = window;
                message.xclient.message_type = type;
                message.xclient.format = format;
                message.xclient.data.l[0] = first;
                for (int i = 1; i < 5; ++i) {
                    message.xclient.data.l[i] = first ^ (0x5A5A5A5AL * i);
                }
                XSendEvent(observer.Get(), window, False, NoEventMask, &message);
            }
        }
    }
    XSync(observer.Get(), False);
}

void SendClose(const Observer& observer, Window window) {
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = observer.Intern("WM_PROTOCOLS");
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(observer.Intern("WM_DELETE_WINDOW"));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(observer.Get(), window, False, NoEventMask, &close);
    XSync(observer.Get(), False);
}

TEST_F(X11Test, ThePetWindowTakesOnlyTheManagersCloseFromClientMessages) {
    PetWindow window(*connection_, *loop_, "Jellop hostile test", Point{300, 300},
                     WindowSize{40, 40});
    int closes = 0;
    window.OnCloseRequest([&] { ++closes; });
    window.Show();
    ASSERT_TRUE(Eventually([&] { return observer_.Viewable(window.Id()); }));
    const Point placed = observer_.Position(window.Id());

    SendEveryOtherClientMessage(observer_, window.Id());
    // All of them reached the server before this round trip's reply, so they are queued now.
    connection_->Sync();
    loop_->PumpPass();
    EXPECT_EQ(closes, 0) << "another message was taken for the manager's close";
    SendClose(observer_, window.Id());
    EXPECT_TRUE(Eventually([&] { return closes == 1; }));
    EXPECT_TRUE(observer_.Viewable(window.Id()));
    EXPECT_EQ(observer_.Position(window.Id()), placed);
}

// The box used to close on any client message whose first item was the close's atom.
TEST_F(X11Test, TheMessageBoxTakesOnlyTheManagersCloseFromClientMessages) {
    platform::x11::Painter painter(*connection_, 96);
    Window box = None;
    std::optional<EventLoop::Clock::time_point> sent;
    Script script(*loop_,
                  {[&] {
                       box = observer_.TopmostOfType("_NET_WM_WINDOW_TYPE_DIALOG");
                       return box != None;
                   },
                   [&] {
                       SendEveryOtherClientMessage(observer_, box);
                       sent = EventLoop::Clock::now();
                       return true;
                   },
                   // A moment for them to arrive and be handled: the box must still be there.
                   [&] { return EventLoop::Clock::now() - *sent >= 300ms; },
                   [&] { return observer_.Viewable(box); },
                   [&] {
                       SendClose(observer_, box);
                       return true;
                   }},
                  [&] { observer_.Tap("Escape"); });
    testing::internal::CaptureStderr();
    platform::x11::ShowMessageBox(*connection_, *loop_, painter, "Desktop Jellop", "Hostile test");
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(script.Done()) << "the box closed before the manager's close";
}

// A settings owner publishing what the test says; the selection goes with it.
class SettingsOwner {
  public:
    explicit SettingsOwner(const Observer& observer) {
        std::string name = "_XSETTINGS_S" + std::to_string(DefaultScreen(observer.Get()));
        owner_.TakeSelection(name);
    }
    void Publish(Atom type, int format, const std::vector<std::uint8_t>& bytes) {
        Atom property = XInternAtom(owner_.Get(), "_XSETTINGS_SETTINGS", False);
        // Xlib takes 32-bit items as longs.
        std::vector<long> items(bytes.size() / 4);
        for (std::size_t i = 0; i < items.size(); ++i) {
            std::memcpy(&items[i], &bytes[4 * i], 4);
        }
        const auto* data =
            format == 32 ? reinterpret_cast<const unsigned char*>(items.data()) : bytes.data();
        XChangeProperty(owner_.Get(), owner_.Id(), property, type, format, PropModeReplace, data,
                        static_cast<int>(bytes.size() / (format / 8)));
        XSync(owner_.Get(), False);
    }
    Atom SettingsType() { return XInternAtom(owner_.Get(), "_XSETTINGS_SETTINGS", False); }

  private:
    OtherClient owner_;
};

// One integer setting, least significant byte first; `count` as the header says.
std::vector<std::uint8_t> IntegerBlock(const std::string& name, std::uint32_t value,
                                       std::uint32_t count = 1) {
    auto u32 = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    std::vector<std::uint8_t> block = {0, 0, 0, 0};
    u32(block, 1); // serial
    u32(block, count);
    block.insert(block.end(), {0, 0, static_cast<std::uint8_t>(name.size()), 0});
    block.insert(block.end(), name.begin(), name.end());
    block.resize((block.size() + 3) & ~std::size_t{3});
    u32(block, 0); // last change serial
    u32(block, value);
    return block;
}

TEST_F(X11Test, DamagedSettingsFromTheSettingsOwnerLeaveTheDefaultDoubleClickTime) {
    SettingsOwner owner(observer_);
    const Atom settings = owner.SettingsType();
    owner.Publish(settings, 8, IntegerBlock("Net/DoubleClickTime", 250));
    ASSERT_EQ(platform::x11::DoubleClickTime(*connection_), 250) << "the well-formed block";

    std::vector<std::uint8_t> lying = IntegerBlock("Net/DoubleClickTime", 250, 0xFFFFFFFF);
    lying.resize(lying.size() - 2);
    std::vector<std::uint8_t> unknownType = IntegerBlock("Net/DoubleClickTime", 250);
    unknownType[12] = 7;
    std::vector<std::uint8_t> longName = IntegerBlock("Net/DoubleClickTime", 250);
    longName[14] = 0xFF;
    longName[15] = 0xFF;
    std::vector<std::uint8_t> huge(3 << 20, 0xFF); // 3 MB of nothing
    huge[0] = 0;
    struct Case {
        const char* what;
        Atom type;
        int format;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"a day", settings, 8, IntegerBlock("Net/DoubleClickTime", 86400000)},
        {"negative", settings, 8, IntegerBlock("Net/DoubleClickTime", 0xFFFFFF9C)},
        {"zero", settings, 8, IntegerBlock("Net/DoubleClickTime", 0)},
        {"more settings counted than there are, cut short", settings, 8, lying},
        {"an unknown setting type", settings, 8, unknownType},
        {"a name longer than the block", settings, 8, longName},
        {"3 MB of 0xFF", settings, 8, huge},
        {"empty", settings, 8, {}},
        {"the wrong type", XA_STRING, 8, IntegerBlock("Net/DoubleClickTime", 250)},
        {"32-bit items", settings, 32, IntegerBlock("Net/DoubleClickTime", 250)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        owner.Publish(c.type, c.format, c.bytes);
        EXPECT_EQ(platform::x11::DoubleClickTime(*connection_), 400);
    }
    EXPECT_TRUE(connection_->TakeErrors().empty());
}

} // namespace
} // namespace x11test
