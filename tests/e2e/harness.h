// The end-to-end harness: starts the pet (the Windows program under Wine, or the native Linux
// program) and the Windows probes in the test display, and looks at them only from outside, as
// a user would: X windows, their place and shape, their pixels, the pointer and its buttons.
// It needs DISPLAY (and WINEPREFIX) as scripts/env.sh sets them.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/process.h"

namespace e2e {

using namespace std::chrono_literals;

// Path of a file of the windows build ($JELLOP_WINDOWS_BUILD, else the build tree's default).
std::string WindowsBuildPath(const std::string& relative);

// Polls `done` every `every` until it holds or `limit` has passed; whether it held. Every wait
// for something a user would see goes through here, with a deadline generous enough for a
// loaded machine.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit,
               std::chrono::milliseconds every = std::chrono::milliseconds(20)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(every);
    }
    return true;
}

using capture::StartProcess;
using capture::WaitForProcess;

// Which pet the suite drives: "windows" (jellop.exe of the windows build, under Wine) or
// "native" (the native Linux program: $JELLOP_NATIVE_PROGRAM, else build/linux/jellop), named
// by $JELLOP_E2E_PROGRAM, else by the CMake setting of the same name. The tests are the same
// for both.
enum class PetProgram { Windows, Native };
PetProgram ProgramUnderTest();

// The command that starts the pet under test; throws (failing the test) when the program is
// not there.
std::vector<std::string> PetCommand();

// A program started for a test; killed (with its process group) when destroyed.
class Process {
  public:
    explicit Process(const std::vector<std::string>& command,
                     const std::string& workingDirectory = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Running();
    // Waits for the program to end; its exit status, or nothing on timeout.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    // Sends the program (not its process group) `signal`.
    void Signal(int signal);
    void Kill();

  private:
    int pid_ = -1;
    std::optional<int> status_;
};

// A Windows program (the probes of the windows build) started under Wine.
class WineProcess : public Process {
  public:
    explicit WineProcess(const std::string& exe, const std::string& workingDirectory = {})
        : Process({"wine", exe}, workingDirectory) {}
};

// The pet under test.
class PetProcess : public Process {
  public:
    PetProcess() : Process(PetCommand()) {}
};

struct Rect {
    int left, top, right, bottom;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Geometry {
    int x, y, width, height; // root-window pixels
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

struct Pixel {
    std::uint8_t red, green, blue;
};

// Sends the window manager a client message about `window` (EWMH: to the root window, for the
// substructure redirect), with up to five 32-bit data items.
void SendToWindowManager(::Display* display, ::Window window, const char* type,
                         std::vector<long> data);

class Desktop {
  public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The mapped top-level window whose name is exactly `title`, waiting up to `timeout`.
    std::optional<::Window> FindWindow(const std::string& title,
                                       std::chrono::milliseconds timeout = 20s);
    // Mapped top-level windows whose name is `title` (0, 1 or more), in a window manager's
    // frame or not.
    std::vector<::Window> WindowsNamed(const std::string& title);
    bool IsMapped(::Window window);
    Geometry GeometryOf(::Window window);
    // The window's bounding shape, relative to its top-left corner, in banded order.
    std::vector<Rect> ShapeOf(::Window window);
    // The screen's pixels in a rectangle of the root window.
    std::vector<Pixel> Capture(const Geometry& area);
    // True when no taskbar would list the window: it is override-redirect (not managed by
    // any window manager) or it carries _NET_WM_STATE_SKIP_TASKBAR.
    bool SkipsTaskbar(::Window window);
    // Whether the window's _NET_WM_STATE holds `state` (e.g. "_NET_WM_STATE_SKIP_PAGER").
    bool HasState(::Window window, const char* state);
    // The windows a window manager lists for taskbars and pagers (_NET_CLIENT_LIST).
    std::vector<::Window> ClientList();
    // Whether the window is override-redirect: placed by its program, not by a window manager.
    bool IsOverrideRedirect(::Window window);
    // The window's _NET_WM_WINDOW_OPACITY as a fraction; 1 when it has none.
    double OpacityProperty(::Window window);
    // The window that has the keyboard focus (PointerRoot is 1, None 0).
    ::Window KeyboardFocus();
    // Some client holds the keyboard grabbed (a pop-up menu that takes the keys).
    bool KeyboardGrabbed();
    // The keyboard goes to the window under the pointer: the focus is PointerRoot, or the root
    // window (where the focus of a window that went away returns).
    bool KeyboardFollowsPointer();
    // A window manager has announced itself on the root window.
    bool WindowManagerRuns();
    // A compositor owns the _NET_WM_CM_S0 selection.
    bool CompositorRuns();
    bool SelectionHasOwner(const char* selection);
    // The X resource database the server holds (RESOURCE_MANAGER on the root: Xft.dpi and the
    // like, read by programs as they start), and replacing it.
    std::string Resources();
    void SetResources(const std::string& database);
    // Asks the window manager to close `window` (_NET_CLOSE_WINDOW), as its close button would.
    void CloseByWindowManager(::Window window);
    // Asks the window manager to show workspace `index` (_NET_CURRENT_DESKTOP); the workspace
    // it shows.
    void SwitchWorkspace(long index);
    long CurrentWorkspace();

    void MovePointer(int x, int y);
    void Button(int button, bool down);
    void Click(int button);

  private:
    ::Display* display_;
};

} // namespace e2e
