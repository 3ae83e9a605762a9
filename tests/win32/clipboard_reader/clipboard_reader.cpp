// A second process that uses the clipboard the way another program would, for the clipboard
// tests.
//   clipboard_reader OUTPUT
//     writes to OUTPUT the formats on the clipboard and, when there is a CF_BITMAP, its size
//     and its pixels as a 24-bit bottom-up DIB:
//       uint32 format count, the formats, int32 width, int32 height, the rows.
//   clipboard_reader --hold READY RELEASE
//     opens the clipboard, sets the named event READY and keeps the clipboard open until the
//     named event RELEASE is set (30 s at most).
// Exit code 0 when the clipboard could be opened, 1 otherwise.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Put(std::FILE* out, const void* data, std::size_t size) {
    std::fwrite(data, 1, size, out);
}

} // namespace

int Hold(const char* ready, const char* release) {
    HANDLE readyEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready);
    HANDLE releaseEvent = OpenEventA(SYNCHRONIZE, FALSE, release);
    // Opened for a window: a clipboard opened for no window is one that Wine lets every other
    // task open as well.
    HWND window = CreateWindowExA(0, "STATIC", "clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, nullptr, nullptr);
    if (readyEvent == nullptr || releaseEvent == nullptr || window == nullptr ||
        !OpenClipboard(window)) {
        return 1;
    }
    SetEvent(readyEvent);
    WaitForSingleObject(releaseEvent, 30000);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--hold") {
        return Hold(argv[2], argv[3]);
    }
    if (argc != 2) {
        return 2;
    }
    // Another process may still be closing the clipboard.
    bool open = false;
    for (int attempt = 0; attempt < 100 && !open; ++attempt) {
        open = OpenClipboard(nullptr) != FALSE;
        if (!open) {
            Sleep(20);
        }
    }
    if (!open) {
        return 1;
    }
    std::vector<std::uint32_t> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0;
         format = EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        CloseClipboard();
        return 3;
    }
    const auto count = static_cast<std::uint32_t>(formats.size());
    Put(out, &count, sizeof count);
    Put(out, formats.data(), formats.size() * sizeof(std::uint32_t));

    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP record{};
    if (bitmap != nullptr && GetObjectA(bitmap, sizeof record, &record) != 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = record.bmWidth;
        info.bmiHeader.biHeight = record.bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        const std::int32_t stride = (record.bmWidth * 3 + 3) & ~3;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * record.bmHeight);
        HDC screen = GetDC(nullptr);
        const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(record.bmHeight),
                                    pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (lines == record.bmHeight) {
            Put(out, &record.bmWidth, sizeof record.bmWidth);
            Put(out, &record.bmHeight, sizeof record.bmHeight);
            Put(out, pixels.data(), pixels.size());
        }
    }
    std::fclose(out);
    CloseClipboard();
    return 0;
}
