// cDIBSection::CopyToClipboard on the real clipboard: what another process finds there, the
// message box of the DIB request, and a clipboard held by someone else.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gdi_watch.h"
#include "imaging/cDIBSection.h"
#include "platform/app.h"
#include "runtime/error.h"
#include "shared/imaging_build_support.h"

namespace {

using imaging::cDIBSection;
using namespace jellop_test;

struct ClipboardContent {
    std::vector<std::uint32_t> formats;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

// Starts the reader program in a process of its own with `arguments`.
PROCESS_INFORMATION StartReader(const std::string& arguments) {
    // Built up piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + string at -O3.
    std::string command = "\"";
    command += platform::ExecutableDirectory();
    command += "\\clipboard_reader.exe\" ";
    command += arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    return process;
}

DWORD WaitForReader(PROCESS_INFORMATION& process) {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Runs the reader and takes apart what it wrote.
ClipboardContent ReadFromAnotherProcess(const ScratchFolder& folder) {
    const std::string output = folder / "clipboard.bin";
    std::string arguments = "\"";
    arguments += output;
    arguments += '"';
    PROCESS_INFORMATION process = StartReader(arguments);
    EXPECT_EQ(WaitForReader(process), 0u) << "the reader could not open the clipboard";

    std::vector<std::uint8_t> bytes = ReadBytes(output);
    ClipboardContent content;
    std::size_t at = 0;
    auto take = [&](void* into, std::size_t size) {
        if (at + size > bytes.size()) {
            return false;
        }
        std::memcpy(into, bytes.data() + at, size);
        at += size;
        return true;
    };
    std::uint32_t count = 0;
    if (!take(&count, sizeof count)) {
        return content;
    }
    content.formats.resize(count);
    take(content.formats.data(), count * sizeof(std::uint32_t));
    if (take(&content.width, 4) && take(&content.height, 4)) {
        content.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    }
    return content;
}

std::vector<std::uint8_t> SectionBytes(cDIBSection& dib) {
    FillPadding(dib, 0);
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    return {bits, bits + static_cast<std::ptrdiff_t>(dib.BytesPerScanLine()) * dib.Height()};
}

TEST(ClipboardCopy, AnotherProcessFindsExactlyTheImageAsABitmap) {
    ScratchFolder folder;
    cDIBSection dib;
    Draw(dib, {"#o~..", "~~#.o", "o#o#o", "..~~#"});
    ASSERT_TRUE(dib.CopyToClipboard(false));

    ClipboardContent content = ReadFromAnotherProcess(folder);
    // The one format offered is CF_BITMAP; the system may add the DIB formats it synthesizes
    // from a bitmap after it, but nothing else.
    ASSERT_FALSE(content.formats.empty());
    EXPECT_EQ(content.formats.front(), static_cast<std::uint32_t>(CF_BITMAP));
    for (std::size_t i = 1; i < content.formats.size(); ++i) {
        EXPECT_TRUE(content.formats[i] == CF_DIB || content.formats[i] == CF_DIBV5)
            << "format " << content.formats[i];
    }
    EXPECT_EQ(content.width, 5);
    EXPECT_EQ(content.height, 4);
    EXPECT_EQ(content.pixels, SectionBytes(dib));
}

// Counts the visible buttons among a window's children (an EnumChildWindows callback).
BOOL CALLBACK CountVisibleButton(HWND child, LPARAM count) {
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(child)) {
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

// Finds the message box of this program (a dialog under the application's title), notes its
// text and buttons and presses OK, from another thread while the main one waits in the box.
struct BoxCloser {
    std::atomic<bool> found{false};
    std::string text;
    int buttons = 0;
    std::thread thread;

    // Looks for the box every 20 ms, `attempts` times.
    void Start(int attempts = 500) {
        thread = std::thread([this, attempts] {
            const std::string title = runtime::AppTitle();
            for (int attempt = 0; attempt < attempts; ++attempt) {
                HWND box = FindWindowA("#32770", title.c_str());
                if (box != nullptr) {
                    char buffer[512] = {};
                    GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
                    text = buffer;
                    EnumChildWindows(box, CountVisibleButton, reinterpret_cast<LPARAM>(&buttons));
                    found = true;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                    return;
                }
                Sleep(20);
            }
        });
    }
};

TEST(ClipboardCopy, WithoutArgumentShowsTheMessageAndCopiesNothing) {
    cDIBSection dib;
    Draw(dib, {"##", "oo"});
    // Something else on the clipboard first, to see that it stays.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(GlobalLock(text), "jelly", 6);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();

    BoxCloser closer;
    closer.Start();
    EXPECT_FALSE(dib.CopyToClipboard());
    closer.thread.join();
    ASSERT_TRUE(closer.found) << "no message box appeared";
    EXPECT_EQ(closer.text,
              "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    EXPECT_EQ(closer.buttons, 1);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    CloseClipboard();
}

TEST(ClipboardCopy, AClipboardHeldByAnotherProgramGivesFalseWithoutAMessage) {
    cDIBSection dib;
    Draw(dib, {"#o", "o#"});
    std::string ready = "jellop-clipboard-ready-" + std::to_string(GetCurrentProcessId());
    std::string release = "jellop-clipboard-release-" + std::to_string(GetCurrentProcessId());
    HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
    HANDLE releaseEvent = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    ASSERT_NE(readyEvent, nullptr);
    ASSERT_NE(releaseEvent, nullptr);
    std::string arguments = "--hold ";
    arguments += ready;
    arguments += ' ';
    arguments += release;
    PROCESS_INFORMATION holder = StartReader(arguments);
    ASSERT_EQ(WaitForSingleObject(readyEvent, 30000), WAIT_OBJECT_0) << "the holder did not start";

    // The process's GDI handle table shows the bitmap that the clipboard did not take being
    // deleted again (GetGuiResources would not: Wine reports 0 there throughout).
    const std::optional<gdi_watch::Counts> before = gdi_watch::Count();
    ASSERT_TRUE(before) << "no GDI handle table to count in";
    BoxCloser closer;
    closer.Start(/*attempts=*/25);
    EXPECT_FALSE(dib.CopyToClipboard(false));
    const std::optional<gdi_watch::Counts> after = gdi_watch::Count();
    closer.thread.join();
    EXPECT_FALSE(closer.found) << "a failure showed a message";
    ASSERT_TRUE(after);
    EXPECT_EQ(after->bitmaps, before->bitmaps) << "the bitmap the clipboard did not take";
    EXPECT_EQ(after->memoryDcs, before->memoryDcs);

    SetEvent(releaseEvent);
    EXPECT_EQ(WaitForReader(holder), 0u);
    CloseHandle(readyEvent);
    CloseHandle(releaseEvent);
    // With the clipboard free again the copy goes through.
    EXPECT_TRUE(dib.CopyToClipboard(false));
}

} // namespace
