// ShowFrame with a real window under Wine in the test display: the window's place, size and
// shape as the window system reports them, what the screen shows of each frame, and the
// process's memory over many frames.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <sstream>
#include <thread>

#include "gdi/resources.h"
#include "pet/frmJellop.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"

namespace {

using imaging_test::kFrameSet;
using imaging_test::ParseRegionData;
using imaging_test::Rect;

HWND Native(platform::WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

RECT WindowRect(const pet::frmJellop& pet) {
    RECT rect{};
    GetWindowRect(Native(pet.hWnd()), &rect);
    return rect;
}

std::vector<Rect> ShapeOf(const pet::frmJellop& pet) {
    std::optional<std::vector<std::byte>> shape = backend::WindowShape(pet.hWnd());
    return shape ? ParseRegionData(*shape).rects : std::vector<Rect>{};
}

// What the X server shows in `area` of the screen, read from outside Wine: ImageMagick's
// import, a Unix program that Wine starts like any other, grabs that part of the root window.
// (Wine's own screen DC does not read the X server back; it shows Wine's idea of the screen.)
std::optional<imaging_test::Image> CaptureScreen(const RECT& area) {
    std::string file = "/tmp/jellop_capture_" + std::to_string(GetCurrentProcessId()) + ".ppm";
    std::string windowsFile = "Z:" + file;
    std::replace(windowsFile.begin(), windowsFile.end(), '/', '\\');
    DeleteFileA(windowsFile.c_str());
    // Wine gives no handle to wait on for a Unix process, so the picture is written under
    // another name and renamed when complete, and the test waits for the name to appear.
    std::ostringstream command;
    command << "Z:\\bin\\sh -c \"import -silent -window root -crop " << area.right - area.left
            << "x" << area.bottom - area.top << "+" << area.left << "+" << area.top
            << " -depth 8 ppm:" << file << ".part && mv " << file << ".part " << file << "\"";
    std::string line = command.str();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return std::nullopt;
    }
    for (int waited = 0; GetFileAttributesA(windowsFile.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 10) {
        if (waited > 10000) {
            return std::nullopt;
        }
        Sleep(10);
    }
    std::vector<std::byte> bytes = imaging_test::ReadFileBytes(windowsFile);
    DeleteFileA(windowsFile.c_str());

    // A binary PPM: "P6", width, height, maximum value, one white-space byte, then red, green
    // and blue bytes, top line first.
    std::string header(reinterpret_cast<const char*>(bytes.data()),
                       std::min<std::size_t>(bytes.size(), 64));
    std::istringstream fields(header);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    fields >> magic >> width >> height >> maximum;
    auto start = static_cast<std::size_t>(fields.tellg()) + 1;
    if (magic != "P6" || maximum != 255 || width != area.right - area.left ||
        height != area.bottom - area.top ||
        bytes.size() < start + static_cast<std::size_t>(width) * height * 3) {
        return std::nullopt;
    }
    imaging_test::Image image;
    image.width = width;
    image.height = height;
    image.bgr.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < image.bgr.size(); i += 3) {
        image.bgr[i] = static_cast<std::uint8_t>(bytes[start + i + 2]);
        image.bgr[i + 1] = static_cast<std::uint8_t>(bytes[start + i + 1]);
        image.bgr[i + 2] = static_cast<std::uint8_t>(bytes[start + i]);
    }
    return image;
}

// The colour of the window behind the pet, which no frame uses: blue 0x12, green 0x34, red
// 0x56.
constexpr std::uint8_t kBackdrop[3] = {0x12, 0x34, 0x56};

// A plain window in that colour behind the pet, so that what shows through the pet's shape is
// known.
class Backdrop {
  public:
    Backdrop() {
        static const ATOM registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hbrBackground =
                CreateSolidBrush(RGB(kBackdrop[2], kBackdrop[1], kBackdrop[0]));
            windowClass.lpszClassName = "JellopTestBackdrop";
            return RegisterClassA(&windowClass);
        }();
        window_ =
            CreateWindowExA(WS_EX_TOOLWINDOW, MAKEINTATOM(registered), "backdrop", WS_POPUP, 200,
                            100, 500, 500, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
    }
    ~Backdrop() { DestroyWindow(window_); }
    Backdrop(const Backdrop&) = delete;
    Backdrop& operator=(const Backdrop&) = delete;

  private:
    HWND window_;
};

// Compares what the screen shows inside the window with the frame: every pixel of the frame
// that is not red is shown as it is, every red one lets the backdrop through, and so no pure
// red shows anywhere. Returns the differences found, empty when the screen is right.
std::string CompareScreen(const pet::frmJellop& pet, std::int16_t frameId) {
    imaging_test::Image frame = imaging_test::ReadFrameBitmap(
        backend::SourcePath("resources/frames/" + std::to_string(frameId) + ".bmp"));
    if (frame.width == 0) {
        return "frame bitmap unreadable";
    }
    RECT rect = WindowRect(pet);
    if (rect.right - rect.left != frame.width || rect.bottom - rect.top != frame.height) {
        return "window size differs from the frame";
    }
    std::optional<imaging_test::Image> screen = CaptureScreen(rect);
    if (!screen) {
        return "no screen capture";
    }
    int red = 0, hidden = 0, shownThrough = 0;
    std::ostringstream first;
    for (std::int32_t y = 0; y < frame.height; ++y) {
        for (std::int32_t x = 0; x < frame.width; ++x) {
            const std::uint8_t* want = frame.At(x, y);
            const std::uint8_t* seen = screen->At(x, y);
            if (imaging_test::IsPureRed(seen)) {
                if (red++ == 0) {
                    first << " red at " << x << "," << y << ";";
                }
            } else if (!imaging_test::IsPureRed(want) && std::memcmp(want, seen, 3) != 0) {
                if (hidden++ == 0) {
                    first << " frame pixel " << x << "," << y << " not shown;";
                }
            } else if (imaging_test::IsPureRed(want) && std::memcmp(kBackdrop, seen, 3) != 0) {
                if (shownThrough++ == 0) {
                    first << " backdrop not seen at " << x << "," << y << ";";
                }
            }
        }
    }
    if (red == 0 && hidden == 0 && shownThrough == 0) {
        return {};
    }
    std::ostringstream report;
    report << red << " red pixels shown, " << hidden << " frame pixels missing, " << shownThrough
           << " other pixels outside the shape:" << first.str();
    return report.str();
}

// The display follows the window system a moment later: look until it matches, or give up.
std::string ScreenShowsFrame(const pet::frmJellop& pet, std::int16_t frameId) {
    std::string difference;
    for (int attempt = 0; attempt < 20; ++attempt) {
        PumpMessages();
        UpdateWindow(Native(pet.hWnd()));
        difference = CompareScreen(pet, frameId);
        if (difference.empty()) {
            return difference;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return difference;
}

// Shows the pet with frame 101, above every other window.
void ShowOnTop(pet::frmJellop& pet) {
    pet.ShowFrame(101, 0, 0);
    pet.Show();
    SetWindowPos(Native(pet.hWnd()), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

class WineFrameDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override { backend::Reset(); }
};

TEST_F(WineFrameDisplayTest, TheTestModuleIsSeenWhileOpenAndNotAfterwards) {
    std::string path = backend::OtherModulePath();
    ASSERT_EQ(backend::OpenModuleCount(path), 0);
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(backend::OpenModuleCount(path), 1);
    FreeLibrary(module);
    EXPECT_EQ(backend::OpenModuleCount(path), 0);
}

TEST_F(WineFrameDisplayTest, ThePetWindowIsABorderlessToolWindowThatTakesDoubleClicks) {
    pet::frmJellop pet;
    pet.ShowFrame(101, 0, 0);
    HWND window = Native(pet.hWnd());
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "no taskbar button";
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(GetClassLongA(window, GCL_STYLE) & CS_DBLCLKS);

    // The client area is the whole window, starting at its top-left corner.
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT outer = WindowRect(pet);
    EXPECT_EQ(origin.x, outer.left);
    EXPECT_EQ(origin.y, outer.top);
    EXPECT_EQ(client.right, outer.right - outer.left);
    EXPECT_EQ(client.bottom, outer.bottom - outer.top);
}

TEST_F(WineFrameDisplayTest, FramesSizeShapeAndMoveTheRealWindow) {
    pet::frmJellop pet;
    RECT start = WindowRect(pet);
    EXPECT_EQ(start.left, 428);
    EXPECT_EQ(start.top, 320);

    pet.ShowFrame(101, 0, 0);
    RECT rect = WindowRect(pet);
    EXPECT_EQ(rect.left, 428);
    EXPECT_EQ(rect.top, 320);
    EXPECT_EQ(rect.right - rect.left, 37);
    EXPECT_EQ(rect.bottom - rect.top, 36);
    std::vector<std::byte> stored =
        imaging_test::ReadFileBytes(backend::SourcePath("resources/regions/101.rgn"));
    EXPECT_EQ(ShapeOf(pet), ParseRegionData(stored).rects);
    EXPECT_EQ(ShapeOf(pet).size(), 24u);

    pet.ShowFrame(103, 0, 0);
    RECT before = WindowRect(pet);
    pet.ShowFrame(104, 0, 0);
    rect = WindowRect(pet);
    EXPECT_EQ(rect.left, before.left);
    EXPECT_EQ(rect.top, before.top);
    EXPECT_EQ(rect.right, before.right - 2);
    EXPECT_EQ(rect.bottom, before.bottom - 6);

    before = rect;
    pet.ShowFrame(146, 0, 40);
    rect = WindowRect(pet);
    EXPECT_EQ(rect.left, before.left);
    EXPECT_EQ(rect.top, before.top + 40);
    EXPECT_EQ(rect.right - rect.left, 84);
    EXPECT_EQ(rect.bottom - rect.top, 28);

    before = rect;
    pet.ShowFrame(142, -10, -10);
    rect = WindowRect(pet);
    EXPECT_EQ(rect.left, before.left - 10);
    EXPECT_EQ(rect.top, before.top - 10);
    EXPECT_EQ(rect.right - rect.left, 39);
    EXPECT_EQ(rect.bottom - rect.top, 32);
}

TEST_F(WineFrameDisplayTest, TheScreenShowsEveryFrameWithoutRed) {
    Backdrop backdrop;
    pet::frmJellop pet;
    ShowOnTop(pet);
    for (const auto& [id, facts] : kFrameSet) {
        pet.ShowFrame(id, 0, 0);
        EXPECT_EQ(ScreenShowsFrame(pet, id), "") << "frame " << id;
    }
    // The offsets of the death frames too.
    pet.ShowFrame(142, -10, -10);
    EXPECT_EQ(ScreenShowsFrame(pet, 142), "") << "frame 142 moved";
    pet.ShowFrame(146, 0, 40);
    EXPECT_EQ(ScreenShowsFrame(pet, 146), "") << "frame 146 moved";
}

// The check above can fail: a window that shows the frame without its shape shows red.
TEST_F(WineFrameDisplayTest, TheScreenCheckSeesAWindowWithoutItsShape) {
    Backdrop backdrop;
    pet::frmJellop pet;
    ShowOnTop(pet);
    ASSERT_EQ(ScreenShowsFrame(pet, 101), "");
    SetWindowRgn(Native(pet.hWnd()), nullptr, TRUE);
    std::string difference;
    for (int attempt = 0; attempt < 40 && difference.find("red pixels") == std::string::npos;
         ++attempt) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        difference = CompareScreen(pet, 101);
    }
    EXPECT_NE(difference.find("red pixels"), std::string::npos) << difference;
}

struct Memory {
    std::size_t workingSet;
    std::size_t pagefile;
};

Memory ProcessMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return Memory{counters.WorkingSetSize, counters.PagefileUsage};
}

// Wine keeps no count of GDI objects to ask for, so leaks show as memory: a picture or a
// region left behind per frame would add megabytes over these frames.
TEST_F(WineFrameDisplayTest, ThreeThousandFramesLeaveTheProcessMemoryFlat) {
    pet::frmJellop pet; // hidden: the window system has less to do per frame
    const std::int16_t walk[] = {101, 102, 103, 104, 111, 112, 113, 114,
                                 121, 122, 123, 124, 131, 132, 133, 134};
    for (int i = 0; i < 300; ++i) {
        pet.ShowFrame(walk[i % 16], 0, 0);
        PumpMessages();
    }
    Memory before = ProcessMemory();
    for (int i = 0; i < 3000; ++i) {
        pet.ShowFrame(walk[i % 16], 0, 0);
        PumpMessages();
    }
    Memory after = ProcessMemory();
    // Measured: flat to the byte without a leak; one small region left behind per frame adds
    // megabytes to both figures.
    EXPECT_LT(after.workingSet, before.workingSet + 256 * 1024)
        << "working set grew from " << before.workingSet << " to " << after.workingSet;
    EXPECT_LT(after.pagefile, before.pagefile + 256 * 1024)
        << "committed memory grew from " << before.pagefile << " to " << after.pagefile;
    EXPECT_EQ(ShapeOf(pet).size(), 23u);
}

} // namespace
