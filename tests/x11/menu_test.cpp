// The pop-up menu: chosen by mouse and by keyboard, closed by Escape or a click elsewhere,
// with timers ticking and no key or click reaching another program while it is open.
#include "x11/x11_test.h"

#include <X11/Xutil.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/x11/xlib/menu.h"
#include "platform/x11/xlib/screen.h"

namespace x11test {
namespace {

using platform::x11::EventLoop;
using platform::x11::MenuItem;
using platform::x11::Painter;
using platform::x11::Point;

constexpr int kSounds = 1;
constexpr int kDie = 2;

const MenuItem kItems[] = {{MenuItem::Kind::Check, "&Sounds", kSounds, true},
                           {MenuItem::Kind::Separator, "", 0, false},
                           {MenuItem::Kind::Command, "&Die", kDie, false}};

// Another program's window that has the keyboard focus and counts the keys and clicks it gets.
class Witness {
  public:
    explicit Witness(const Observer& observer) : observer_(observer) {
        ::Display* display = observer.Get();
        window_ =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1280, 1024, 0, 0, 0);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        XChangeWindowAttributes(display, window_, CWOverrideRedirect, &attributes);
        XSelectInput(display, window_, KeyPressMask | ButtonPressMask | StructureNotifyMask);
        XMapRaised(display, window_);
        XSync(display, False);
    }
    ~Witness() {
        XDestroyWindow(observer_.Get(), window_);
        XSync(observer_.Get(), False);
    }
    bool Ready() {
        if (!observer_.Viewable(window_)) {
            return false;
        }
        XSetInputFocus(observer_.Get(), window_, RevertToPointerRoot, CurrentTime);
        XSync(observer_.Get(), False);
        return true;
    }
    // Reads what has come: the number of key presses and of button presses.
    void Count() {
        XSync(observer_.Get(), False);
        while (XPending(observer_.Get()) > 0) {
            XEvent event;
            XNextEvent(observer_.Get(), &event);
            keys_ += event.type == KeyPress;
            clicks_ += event.type == ButtonPress;
        }
    }
    int Keys() {
        Count();
        return keys_;
    }
    int Clicks() {
        Count();
        return clicks_;
    }

  private:
    const Observer& observer_;
    Window window_;
    int keys_ = 0;
    int clicks_ = 0;
};

class MenuTest : public X11Test {
  protected:
    void SetUp() override {
        X11Test::SetUp();
        painter_ = std::make_unique<Painter>(*connection_, platform::x11::ScreenDpi(*connection_));
        witness_ = std::make_unique<Witness>(observer_);
        ASSERT_TRUE(Eventually([&] { return witness_->Ready(); }));
        loop_->AddTimer(50ms, [this] { ++ticks_; });
    }
    // Opens the menu at (300, 300) and runs `steps` while it is open; the command it returned.
    int Track(std::vector<std::function<bool()>> steps) {
        Script script(*loop_, std::move(steps), [this] { observer_.Tap("Escape"); });
        int before = ticks_;
        observer_.MovePointer(300, 300);
        int chosen =
            platform::x11::TrackPopupMenu(*connection_, *loop_, *painter_, kItems, Point{300, 300});
        ticksOpen_ = ticks_ - before;
        EXPECT_TRUE(script.Done()) << "the menu closed before the script's end";
        return chosen;
    }
    // A step that waits for the menu to show and notes where it is.
    std::function<bool()> MenuShown() {
        return [this] {
            menu_ = observer_.TopmostOfType("_NET_WM_WINDOW_TYPE_POPUP_MENU");
            if (menu_ != None) {
                geometry_ = observer_.GeometryOf(menu_);
            }
            return menu_ != None;
        };
    }
    std::function<bool()> Keys(std::vector<const char*> keys) {
        return [this, keys] {
            for (const char* key : keys) {
                observer_.Tap(key);
            }
            return true;
        };
    }

    std::unique_ptr<Painter> painter_;
    std::unique_ptr<Witness> witness_;
    Window menu_ = None;
    Observer::Geometry geometry_{};
    int ticks_ = 0;
    int ticksOpen_ = 0;
};

TEST_F(MenuTest, TheKeyboardChoosesAndNoKeyLeaksToTheFocusedProgram) {
    EXPECT_EQ(Track({MenuShown(), Keys({"Down", "Down", "Return"})}), kDie); // over the separator
    EXPECT_EQ(Track({MenuShown(), Keys({"Up", "Up", "Return"})}), kSounds);  // round from the end
    EXPECT_EQ(Track({MenuShown(), Keys({"s"})}), kSounds);
    EXPECT_EQ(Track({MenuShown(), Keys({"D"})}), kDie);
    EXPECT_EQ(Track({MenuShown(), Keys({"x", "Left", "Return", "Escape"})}), 0);
    EXPECT_EQ(witness_->Keys(), 0);
    // With the menu gone the keys go to the focused program again.
    observer_.Tap("x");
    EXPECT_TRUE(Eventually([&] { return witness_->Keys() == 1; }));
}

TEST_F(MenuTest, TheMouseChoosesAnItemAndAClickElsewhereClosesTheMenu) {
    auto clickAt = [this](int x, int y) {
        return [this, x, y] {
            observer_.MovePointer(geometry_.x + x, geometry_.y + y);
            observer_.Click(1);
            return true;
        };
    };
    // The last item is at the bottom of the menu, the first at its top.
    EXPECT_EQ(
        Track({MenuShown(), [&] { return clickAt(geometry_.width / 2, geometry_.height - 8)(); }}),
        kDie);
    EXPECT_EQ(Track({MenuShown(), clickAt(20, 10)}), kSounds);
    // A click elsewhere: nothing chosen, and the click goes to no other program.
    EXPECT_EQ(Track({MenuShown(), [&] { return clickAt(-100, -100)(); }}), 0);
    EXPECT_EQ(witness_->Clicks(), 0);
    // The separator (in the middle of the menu) chooses nothing; Escape closes the menu then.
    EXPECT_EQ(
        Track({MenuShown(), [&] { return clickAt(geometry_.width / 2, geometry_.height / 2)(); },
               Keys({"Escape"})}),
        0);
}

TEST_F(MenuTest, TheReleaseOfTheOpeningPressChoosesNothingAndTimersTick) {
    // The right button is down when the menu opens and comes up over it at once.
    observer_.MovePointer(300, 300);
    observer_.Button(3, true);
    EXPECT_EQ(Track({MenuShown(),
                     [&] {
                         observer_.Button(3, false);
                         return true;
                     },
                     // Half a second open: the timer ticks on.
                     [&, start = std::optional<EventLoop::Clock::time_point>()]() mutable {
                         if (!start) {
                             start = EventLoop::Clock::now();
                         }
                         return EventLoop::Clock::now() - *start >= 500ms;
                     },
                     Keys({"Escape"})}),
              0);
    EXPECT_GE(ticksOpen_, 5);
}

} // namespace
} // namespace x11test

namespace x11test {
namespace {

bool XftMapped() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("libXft.so") != std::string::npos) {
            return true;
        }
    }
    return false;
}

class PopUpFont : public X11Test {};

// Set in the copy of the test program that the test starts for itself.
constexpr const char* kFreshProcess = "JELLOP_TEST_FRESH_PROCESS";

// Runs the current test alone in a new copy of this program and gives what it wrote; `passed`
// says whether it ran the test and the test passed.
std::string RunInAFreshProcess(bool& passed) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    char* arguments[] = {const_cast<char*>("jellop_x11_tests"), filter.data(), nullptr};
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        variables.emplace_back(*variable);
    }
    variables.push_back(std::string(kFreshProcess) + "=1");
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);

    int pipeEnds[2];
    passed = false;
    if (pipe(pipeEnds) != 0) {
        return "no pipe";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t child = 0;
    int spawned =
        posix_spawn(&child, "/proc/self/exe", &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (spawned != 0) {
        return "the copy did not start";
    }
    int status = 0;
    waitpid(child, &status, 0);
    // A filter that selects nothing passes too: the copy must say it ran the one test.
    passed = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
             output.find("[  PASSED  ] 1 test.") != std::string::npos;
    return output;
}

// The font library comes with the first pop-up drawn: a pet that is never right-clicked does
// not carry Xft, fontconfig and FreeType. Decided in a process of its own, where no earlier
// test can have drawn a pop-up: Xft mapped before the pop-up is then a failure (the library
// linked to the program, or loaded at its start), never a reason to skip.
TEST_F(PopUpFont, XftIsLoadedOnlyWhenTheFirstPopUpIsDrawn) {
    if (std::getenv(kFreshProcess) == nullptr) {
        bool passed = false;
        std::string output = RunInAFreshProcess(passed);
        EXPECT_TRUE(passed) << "in a fresh process:\n" << output;
        return;
    }
    ASSERT_TRUE(connection_);
    ASSERT_FALSE(XftMapped()) << "Xft is loaded before any pop-up is drawn";
    Painter painter(*connection_, 96);
    EXPECT_TRUE(XftMapped());
    EXPECT_GT(painter.TextWidth("Sounds"), 0);
}

} // namespace
} // namespace x11test
