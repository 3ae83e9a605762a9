// The backend contract suite's user on X11: a second client of the test display that acts
// through XTest, from a thread of its own, while the program waits in a modal loop.
#include "contract/user.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/window.h"

namespace contract_user {
namespace {

using namespace std::chrono_literals;

// The user's own connection, for one action.
class User {
  public:
    User() : display_(XOpenDisplay(nullptr)) {}
    ~User() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    // Waits (up to five seconds) until another client holds the keyboard: a menu is open.
    void AwaitMenu() {
        for (int tries = 0; tries < 250; ++tries) {
            int grabbed = XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync,
                                        GrabModeAsync, CurrentTime);
            if (grabbed == AlreadyGrabbed) {
                return;
            }
            if (grabbed == GrabSuccess) {
                XUngrabKeyboard(display_, CurrentTime);
                XSync(display_, False);
            }
            std::this_thread::sleep_for(20ms);
        }
    }

    void Key(KeySym keysym) {
        KeyCode code = XKeysymToKeycode(display_, keysym);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
        std::this_thread::sleep_for(20ms);
    }

    void MoveTo(int x, int y) {
        XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
        XSync(display_, False);
    }

    void Button(bool down) {
        XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
        XSync(display_, False);
    }

  private:
    Display* display_;
};

std::vector<std::thread>& Actions() {
    static std::vector<std::thread> actions;
    return actions;
}

void KeysOnceTheMenuIsOpen(std::uint32_t afterMs, std::vector<KeySym> keys) {
    Actions().emplace_back([afterMs, keys = std::move(keys)] {
        User user;
        user.AwaitMenu();
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        // Off the menu: no item stays highlighted under the pointer, so the keys count from
        // the top.
        user.MoveTo(0, 0);
        std::this_thread::sleep_for(20ms);
        for (KeySym key : keys) {
            user.Key(key);
        }
    });
}

} // namespace

// Every action of the last test has ended; the button is up.
void Reset() {
    for (std::thread& action : Actions()) {
        action.join();
    }
    Actions().clear();
}

void ChooseMenuItem(std::uint32_t afterMs, std::size_t position) {
    std::vector<KeySym> keys(position + 1, XK_Down);
    keys.push_back(XK_Return);
    KeysOnceTheMenuIsOpen(afterMs, std::move(keys));
}

void DismissMenu(std::uint32_t afterMs) {
    KeysOnceTheMenuIsOpen(afterMs, {XK_Escape});
}

void DragWindowBy(platform::WindowHandle window, std::uint32_t afterMs, std::int32_t dx,
                  std::int32_t dy) {
    platform::PixelRect rect = platform::GetWindowRect(window);
    const int x = rect.left + 5;
    const int y = rect.top + 5;
    {
        User user;
        user.MoveTo(x, y);
        user.Button(true);
    }
    Actions().emplace_back([=] {
        User user;
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        constexpr int kSteps = 5;
        for (int step = 1; step <= kSteps; ++step) {
            user.MoveTo(x + dx * step / kSteps, y + dy * step / kSteps);
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(50ms);
        user.Button(false);
    });
}

// The loop keeps each timer's phase: a tick that came late (the machine busy) is followed by
// one on time, which then comes that much less than an interval after it.
std::uint32_t TimerSlackMs() {
    return 16;
}

} // namespace contract_user
