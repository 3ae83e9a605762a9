// The desktop around the pet failing or changing while it runs: the window manager replaced
// (by another openbox, by icewm), ending with no successor, or arriving late; the compositor
// stopped and started during the walk and during the fade-out; the sound server restarted (or
// frozen) while a sound plays and during the death. The services are changed through
// scripts/env.sh's own functions, so its pid files stay true, and each test leaves the desktop
// as the run made it (scripts/env.sh's jellop_desktop again).
#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

#include "harness.h"
#include "harness_pet.h"
#include "sound_capture.h"
#include "witness.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// Every frame of the walk, in its four directions.
const std::vector<int> kWalkFrames{101, 102, 103, 104, 111, 112, 113, 114,
                                   121, 122, 123, 124, 131, 132, 133, 134};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Runs `command` in bash with scripts/env.sh's functions and this run's services (JELLOP_RUN),
// in a session of its own, so that the services it starts outlive the test and no kill of the
// test's process group reaches them; whether it succeeded within `limit`.
bool DesktopScript(const std::string& command, std::chrono::milliseconds limit = 60s) {
    const std::string script =
        std::string("source '") + JELLOP_SOURCE_DIR + "/scripts/env.sh' && " + command;
    int pid = fork();
    if (pid == 0) {
        setsid();
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        close_range(3, ~0U, 0); // no X connection or pipe of the test's held by a service
        execlp("bash", "bash", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::optional<int> status = WaitForProcess(pid, limit);
    if (!status) {
        kill(-pid, SIGKILL);
        WaitForProcess(pid, 5s);
    }
    return status == 0;
}

// The window that stands for `window` among the root's children: the frame a window manager
// put it in, or the window itself.
::Window TopLevel(::Display* display, ::Window window) {
    for (;;) {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
            return window;
        }
        if (children) {
            XFree(children);
        }
        if (parent == root || parent == 0) {
            return window;
        }
        window = parent;
    }
}

class DesktopFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* run = std::getenv("JELLOP_RUN");
        if (!run || !*run) {
            GTEST_SKIP() << "changes the services of scripts/env.sh's jellop_start: run under it";
        }
        display_ = XOpenDisplay(nullptr);
        ASSERT_TRUE(display_);
        managedDesktop_ = desktop_.WindowManagerRuns();
        auto window = LaunchPet(desktop_, pet_, 446, 338);
        ASSERT_TRUE(window) << "the pet window never appeared";
        window_ = *window;
    }

    void TearDown() override {
        pet_.reset();
        witness_.reset();
        if (display_) {
            XCloseDisplay(display_);
        }
        // The desktop as the run made it, whatever the test left.
        if (desktopChanged_) {
            EXPECT_TRUE(DesktopScript(std::string("jellop_desktop ") +
                                      (managedDesktop_ ? "managed" : "bare")))
                << "the desktop could not be made again";
        }
        if (soundChanged_) {
            EXPECT_TRUE(DesktopScript("pactl info >/dev/null 2>&1 || jellop_start_sound"))
                << "the sound server could not be started again";
        }
    }

    // Changes the desktop's services with scripts/env.sh; TearDown makes it again.
    void Change(const std::string& command) {
        desktopChanged_ = true;
        ASSERT_TRUE(DesktopScript(command)) << "failed: " << command;
    }

    Geometry Place() { return desktop_.GeometryOf(window_); }

    // The pointer on a place, with a wiggle of a pixel: Wine reads the pointer afresh only once
    // it has moved after the program started.
    void PointAt(int x, int y) {
        desktop_.MovePointer(x + 1, y);
        desktop_.MovePointer(x, y);
    }

    void WaitUntilWalking() {
        ASSERT_TRUE(WalkBegins(desktop_, window_)) << "the pet never started to walk";
    }

    // The pet walks: with the pointer at the farther of two places, it comes at least 15 px
    // (five steps) nearer to it.
    bool Walks(std::chrono::milliseconds limit = 15s) {
        Geometry g = Place();
        auto distance = [](const Geometry& p, std::pair<int, int> to) {
            return std::hypot(p.x + p.width / 2 - to.first, p.y + p.height / 2 - to.second);
        };
        std::pair<int, int> target =
            distance(g, kTargets[0]) > distance(g, kTargets[1]) ? kTargets[0] : kTargets[1];
        PointAt(target.first, target.second);
        const double start = distance(g, target);
        return WaitUntil([&] { return distance(Place(), target) < start - 15; }, limit);
    }

    // What a user would see wrong with the pet now, empty when nothing: it shows a frame of its
    // walk, lies above the witness window, is in no taskbar, and no manager has put it in a
    // frame larger than itself (decorations) or given it the keyboard focus.
    std::string WhatIsWrong() {
        std::string wrong;
        auto frame = FrameOfShape(desktop_.ShapeOf(window_), kWalkFrames);
        if (!frame) {
            return "its shape is no frame of the walk";
        }
        Geometry g = Place();
        // Without a manager Wine keeps no window above other programs' windows (the Windows
        // program is just as covered on the bare desktop); the native pet raises itself.
        const bool keptAbove =
            ProgramUnderTest() == PetProgram::Native || desktop_.WindowManagerRuns();
        if (witness_ && keptAbove &&
            OpacityOnScreen(desktop_.Capture(g), g, *frame, {255, 255, 255}) < 0.9 &&
            FrameOfShape(desktop_.ShapeOf(window_), kWalkFrames) == frame) {
            wrong += "hidden under an ordinary window; ";
        }
        if (desktop_.WindowManagerRuns()) {
            std::vector<::Window> clients = desktop_.ClientList();
            const bool listed = std::find(clients.begin(), clients.end(), window_) != clients.end();
            if (listed && !desktop_.HasState(window_, "_NET_WM_STATE_SKIP_TASKBAR")) {
                wrong += "in the taskbar; ";
            }
        }
        if (auto frame = FrameSize()) {
            wrong += "decorated (" + *frame + "); ";
        }
        if (desktop_.KeyboardFocus() == window_) {
            wrong += "given the keyboard focus; ";
        }
        if (desktop_.WindowManagerRuns() && IsActiveWindow()) {
            wrong += "made the active window; ";
        }
        return wrong;
    }

    // The frame a window manager put around the pet, when larger than the pet: both sizes read
    // with the server grabbed, so that no frame of the walk comes between the two readings.
    std::optional<std::string> FrameSize() {
        XGrabServer(display_);
        ::Window outer = TopLevel(display_, window_);
        XWindowAttributes inner{}, around{};
        const bool read = outer != window_ && XGetWindowAttributes(display_, window_, &inner) &&
                          XGetWindowAttributes(display_, outer, &around);
        XUngrabServer(display_);
        XFlush(display_);
        if (!read || (around.width == inner.width && around.height == inner.height)) {
            return std::nullopt;
        }
        return std::to_string(around.width) + "x" + std::to_string(around.height) + " around " +
               std::to_string(inner.width) + "x" + std::to_string(inner.height);
    }

    // The window manager names the pet its active window (_NET_ACTIVE_WINDOW).
    bool IsActiveWindow() {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        bool focused = false;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_),
                               XInternAtom(display_, "_NET_ACTIVE_WINDOW", False), 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data) {
            focused = count == 1 && reinterpret_cast<unsigned long*>(data)[0] == window_;
            XFree(data);
        }
        return focused;
    }

    // Expects the pet to be as WhatIsWrong wants it, once the desktop has settled (a new
    // manager takes the windows over one by one), and then for the rest of a walk.
    void ExpectUnharmed(const std::string& when) {
        SCOPED_TRACE(when);
        if (witness_) {
            witness_->Raise();
        }
        std::string wrong;
        auto start = Clock::now();
        EXPECT_TRUE(WaitUntil([&] { return (wrong = WhatIsWrong()).empty(); }, 10s, 100ms))
            << wrong;
        auto settled = Clock::now();
        EXPECT_TRUE(Walks()) << "the pet stopped walking";
        std::cout << when << ": settled in " << Seconds(settled - start) << " s, walked 15 px in "
                  << Seconds(Clock::now() - settled) << " s\n";
        if (witness_) {
            witness_->Raise();
        }
        EXPECT_TRUE(WaitUntil([&] { return (wrong = WhatIsWrong()).empty(); }, 10s, 100ms))
            << wrong;
        EXPECT_TRUE(pet_->Running());
    }

    // A white window over the place where the pet walks, above it.
    void AddWitness() {
        witness_ =
            std::make_unique<Witness>(Geometry{300, 200, 500, 400}, desktop_.WindowManagerRuns());
    }

    // Two left clicks on the pet's centre, 120 ms apart: a double-click.
    void DoubleClickPet() {
        Geometry g = Place();
        PointAt(g.x + g.width / 2, g.y + g.height / 2);
        std::this_thread::sleep_for(150ms);
        desktop_.Click(1);
        std::this_thread::sleep_for(120ms);
        desktop_.Click(1);
    }

    // Two places inside the witness between which the pet is sent to walk.
    static constexpr std::pair<int, int> kTargets[2] = {{360, 260}, {740, 540}};

    Desktop desktop_;
    ::Display* display_ = nullptr;
    std::unique_ptr<PetProcess> pet_;
    std::unique_ptr<Witness> witness_;
    ::Window window_ = 0;
    bool managedDesktop_ = false;
    bool desktopChanged_ = false;
    bool soundChanged_ = false;
};

// A change of window manager, made while the pet walks.
enum class ManagerChange { OpenboxReplaces, IcewmReplaces, Ends, OpenboxArrives };

const char* CommandFor(ManagerChange change) {
    switch (change) {
    case ManagerChange::OpenboxReplaces:
        return "jellop_manager openbox --sm-disable --replace";
    case ManagerChange::IcewmReplaces:
        return "jellop_manager icewm --replace";
    case ManagerChange::Ends:
        return "jellop_manager_end";
    case ManagerChange::OpenboxArrives:
        return "jellop_manager openbox --sm-disable";
    }
    return "false";
}

struct ManagerCase {
    const char* name;
    bool fromManagedDesktop; // the desktop the changes start from: managed, or bare
    std::vector<ManagerChange> changes;
};
void PrintTo(const ManagerCase& test, std::ostream* out) {
    *out << test.name;
}

class WindowManagerChanges : public DesktopFaults,
                             public ::testing::WithParamInterface<ManagerCase> {};

// After each change, the pet keeps its shape, its place above an ordinary window and out of
// taskbars, walks on, and no manager decorates it or gives it the focus.
TEST_P(WindowManagerChanges, ThePetKeepsItsShapePlaceAndWalk) {
    const ManagerCase& test = GetParam();
    if (test.fromManagedDesktop != managedDesktop_) {
        GTEST_SKIP() << "starts from the " << (test.fromManagedDesktop ? "managed" : "bare")
                     << " desktop";
    }
    ASSERT_NO_FATAL_FAILURE(WaitUntilWalking());
    AddWitness();
    ExpectUnharmed("before any change");
    for (ManagerChange change : test.changes) {
        ASSERT_NO_FATAL_FAILURE(Change(CommandFor(change)));
        ExpectUnharmed(std::string("after ") + CommandFor(change));
    }
}

INSTANTIATE_TEST_SUITE_P(
    , WindowManagerChanges,
    ::testing::Values(
        ManagerCase{"OpenboxReplacedByOpenbox", true, {ManagerChange::OpenboxReplaces}},
        ManagerCase{"OpenboxReplacedByIcewm", true, {ManagerChange::IcewmReplaces}},
        ManagerCase{"ManagerEndsThenOneArrives",
                    true,
                    {ManagerChange::Ends, ManagerChange::OpenboxArrives}},
        ManagerCase{
            "ManagerArrivesIsReplacedAndEnds",
            false,
            {ManagerChange::OpenboxArrives, ManagerChange::IcewmReplaces, ManagerChange::Ends}}),
    [](const ::testing::TestParamInfo<ManagerCase>& info) { return info.param.name; });

// The compositor stopped and started again while the pet walks (started and stopped on a
// desktop without one), and changed once more during the fade-out: the pet walks on and the
// fade-out still ends with the program gone.
TEST_F(DesktopFaults, TheCompositorChangedDuringTheWalkAndTheFadeOut) {
    bool composited = desktop_.CompositorRuns();
    auto toggle = [&] {
        Change(composited ? "jellop_compositor stop" : "jellop_compositor start");
        composited = !composited;
        EXPECT_EQ(desktop_.CompositorRuns(), composited);
    };
    ASSERT_NO_FATAL_FAILURE(WaitUntilWalking());
    AddWitness();
    for (int i = 0; i < 2; ++i) {
        ASSERT_NO_FATAL_FAILURE(toggle());
        ExpectUnharmed(composited ? "compositor started" : "compositor stopped");
    }
    witness_.reset();
    DoubleClickPet();
    ASSERT_TRUE(
        WaitUntil([&] { return FrameOfShape(desktop_.ShapeOf(window_), {146}).has_value(); }, 10s))
        << "no death";
    ASSERT_TRUE(WaitUntil([&] { return desktop_.OpacityProperty(window_) < 1.0; }, 10s, 5ms))
        << "no fade-out";
    ASSERT_NO_FATAL_FAILURE(toggle());
    EXPECT_TRUE(pet_->WaitForExit(20s)) << "the program did not end after its fade-out";
    EXPECT_TRUE(desktop_.WindowsNamed("Form1").empty());
}

// The longest time the pet's window went without a change of frame or place, watched from a
// thread of its own while the test does something else.
class StallWatch {
  public:
    explicit StallWatch(::Window window) : thread_([this, window] { Watch(window); }) {}
    ~StallWatch() { Stop(); }
    std::chrono::milliseconds Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return longest_;
    }

  private:
    void Watch(::Window window) {
        Desktop desktop;
        std::vector<Rect> shape;
        Geometry place{};
        auto changed = Clock::now();
        while (!stop_) {
            std::vector<Rect> nowShape = desktop.ShapeOf(window);
            Geometry nowPlace = desktop.GeometryOf(window);
            auto now = Clock::now();
            if (nowShape != shape || !(nowPlace == place)) {
                shape = nowShape;
                place = nowPlace;
                changed = now;
            }
            longest_ = std::max(
                longest_, std::chrono::duration_cast<std::chrono::milliseconds>(now - changed));
            std::this_thread::sleep_for(10ms);
        }
    }

    std::atomic<bool> stop_{false};
    std::chrono::milliseconds longest_{0};
    std::thread thread_;
};

// The move sounds (0.2 s long) in a recording of the sink.
std::vector<sound::Stretch> MoveSounds(const sound::Recording& recording) {
    std::vector<sound::Stretch> moves;
    for (const sound::Stretch& s : sound::SoundStretches(recording)) {
        if (s.Milliseconds() < 400) {
            moves.push_back(s);
        }
    }
    return moves;
}

// A fault of the sound server, made with scripts/env.sh's functions.
struct SoundFault {
    const char* what;
    const char* command;
    // Wine's DirectSound does not reach a restarted server again, and tells the program
    // nothing of it: the Windows program stays silent from then on.
    bool heardAgainUnderWine;
};
constexpr const char* kRestartSoundServer = "jellop_kill pulse && sleep 0.5 && jellop_start_sound";
const SoundFault kSoundFaults[] = {
    // Connected, but answering nobody: the case the program's own wait for a server is for.
    {"frozen for 4 s",
     "read -r pid _ <\"$JELLOP_RUN/pulse.pid\" && kill -STOP $pid && sleep 4 && kill -CONT $pid",
     true},
    {"restarted", kRestartSoundServer, false},
};

// The sound server restarted, or frozen, while the move sound plays, and restarted during the
// death: the pet walks on without a stall longer than its own wait for a server (2 s), the
// move sounds come back within the time it takes to look for a server again (every 3 s) and a
// play, and the death still ends the program.
TEST_F(DesktopFaults, TheSoundServerRestartedOrFrozenDuringTheWalkAndTheDeath) {
    ASSERT_NO_FATAL_FAILURE(WaitUntilWalking());
    // The pet walks to and fro between two places far apart, playing its move sound.
    std::atomic<bool> walking{true};
    std::thread pointer([&] {
        Desktop desktop;
        for (int i = 0; walking; ++i) {
            auto [x, y] = kTargets[i / 40 % 2]; // 4 s each way
            desktop.MovePointer(x + (i % 2), y);
            std::this_thread::sleep_for(100ms);
        }
    });
    auto stopPointer = [&] {
        walking = false;
        if (pointer.joinable()) {
            pointer.join();
        }
    };
    struct Join {
        std::function<void()> stop;
        ~Join() { stop(); }
    } join{stopPointer};

    soundChanged_ = true;
    for (const SoundFault& fault : kSoundFaults) {
        SCOPED_TRACE(fault.what);
        sound::Recorder before;
        ASSERT_TRUE(before.Started()) << "parec did not start";
        // Every 400 ms: 3 s hold 7, and still 3 where the server drops buffers and runs two
        // together.
        std::this_thread::sleep_for(3000ms);
        EXPECT_GE(MoveSounds(before.Stop()).size(), 3u) << "no move sounds before the fault";
        StallWatch watch(window_);
        ASSERT_TRUE(DesktopScript(fault.command));
        auto back = Clock::now();
        sound::Recorder after;
        ASSERT_TRUE(after.Started()) << "parec did not start on the server";
        std::this_thread::sleep_for(8s);
        sound::Recording recording = after.Stop();
        std::chrono::milliseconds stall = watch.Stop();
        std::vector<sound::Stretch> moves = MoveSounds(recording);
        double first = moves.empty() ? -1 : moves.front().begin * 1.0 / sound::kRate;
        std::cout << "server " << fault.what << ": longest stall of the walk " << stall.count()
                  << " ms; " << moves.size() << " move sounds in the 8 s after, the first " << first
                  << " s after the server was back ("
                  << std::chrono::duration<double>(Clock::now() - back).count() - 8
                  << " s to start recording)\n";
        EXPECT_LT(stall, 2500ms) << "the pet hung on the sound server";
        EXPECT_TRUE(pet_->Running());
        if (ProgramUnderTest() == PetProgram::Windows && !fault.heardAgainUnderWine) {
            continue;
        }
        ASSERT_FALSE(moves.empty()) << "the sound did not come back";
        EXPECT_LT(first, 5.0) << "the sound came back late";
        EXPECT_GE(moves.size(), 5u) << "the sound did not stay back";
    }

    // The death, with the server restarted during its sound.
    stopPointer();
    DoubleClickPet();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return FrameOfShape(desktop_.ShapeOf(window_), {142, 143, 144, 145, 146}).has_value();
        },
        10s))
        << "no death";
    auto died = Clock::now();
    ASSERT_TRUE(DesktopScript(kRestartSoundServer));
    EXPECT_TRUE(pet_->WaitForExit(20s)) << "the program did not end after its death";
    std::cout << "ended " << std::chrono::duration<double>(Clock::now() - died).count()
              << " s after the death showed\n";
}

} // namespace
} // namespace e2e
