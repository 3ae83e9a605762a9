// The message box: shown centred with its text, closed by OK, by Return or by the window
// manager's close, the text on standard error too, timers ticking while it is open.
#include "x11/x11_test.h"

#include <X11/Xatom.h>

#include "platform/x11/xlib/messagebox.h"
#include "platform/x11/xlib/screen.h"

namespace x11test {
namespace {

class MessageBoxTest : public X11Test {
  protected:
    void SetUp() override {
        X11Test::SetUp();
        painter_ = std::make_unique<platform::x11::Painter>(*connection_, 96);
        loop_->AddTimer(50ms, [this] { ++ticks_; });
    }
    // Shows the box and runs `steps` once it is seen, until it has gone.
    void Show(std::vector<std::function<bool()>> steps) {
        steps.insert(steps.begin(), [this] {
            box_ = observer_.TopmostOfType("_NET_WM_WINDOW_TYPE_DIALOG");
            if (box_ != None) {
                geometry_ = observer_.GeometryOf(box_);
            }
            return box_ != None;
        });
        Script script(*loop_, std::move(steps), [this] { observer_.Tap("Escape"); });
        platform::x11::ShowMessageBox(
            *connection_, *loop_, *painter_, "Desktop Jellop",
            "Run-time error '26013':\n\nCan't open DLL for Resource Access");
        EXPECT_TRUE(script.Done());
    }

    std::unique_ptr<platform::x11::Painter> painter_;
    Window box_ = None;
    Observer::Geometry geometry_{};
    int ticks_ = 0;
};

TEST_F(MessageBoxTest, OkClosesTheCentredBoxAndTheTextGoesToStandardError) {
    testing::internal::CaptureStderr();
    int before = ticks_;
    std::optional<platform::x11::EventLoop::Clock::time_point> shown;
    Show({// Half a second open, then a click on OK (the middle of the box's bottom).
          [&] {
              shown = shown.value_or(platform::x11::EventLoop::Clock::now());
              return platform::x11::EventLoop::Clock::now() - *shown >= 500ms;
          },
          [&] {
              observer_.MovePointer(geometry_.x + geometry_.width / 2,
                                    geometry_.y + geometry_.height - 25);
              observer_.Click(1);
              return true;
          }});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Desktop Jellop: Run-time error '26013':\n\nCan't open DLL for Resource Access\n");
    EXPECT_GE(ticks_ - before, 5);
    // Centred on the screen (a manager may have moved it by its frame's width).
    EXPECT_NEAR(geometry_.x + geometry_.width / 2, 640, 10);
    EXPECT_NEAR(geometry_.y + geometry_.height / 2, 512, 30);
    EXPECT_TRUE(Eventually([&] { return !observer_.Viewable(box_); }));
}

TEST_F(MessageBoxTest, ReturnClosesTheBox) {
    Show({// The box has the keyboard once it shows.
          [&] {
              Window focus = None;
              int revert = 0;
              XGetInputFocus(observer_.Get(), &focus, &revert);
              return focus == box_;
          },
          [&] {
              observer_.Tap("Return");
              return true;
          }});
}

TEST_F(MessageBoxTest, TheManagersCloseClosesTheBox) {
    if (!ManagedDesktop()) {
        GTEST_SKIP() << "the managed desktop's behaviour: without a manager nobody sends a close";
    }
    Show({[&] {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = box_;
        close.xclient.message_type = observer_.Intern("WM_PROTOCOLS");
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(observer_.Intern("WM_DELETE_WINDOW"));
        XSendEvent(observer_.Get(), box_, False, NoEventMask, &close);
        XSync(observer_.Get(), False);
        return true;
    }});
}

} // namespace
} // namespace x11test
