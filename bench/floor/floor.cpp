// The floor of what a walking pet costs: every 100 ms it reads the pointer, steps 3 pixels
// towards it on each axis where it is at least 5 pixels away, takes the next of four frame
// sizes, gives the window that frame's region (made afresh from a region-data block, as a
// window owns the region it is given) and repaints one 41 x 39 bitmap. Nothing else: no
// resources read per tick, no picture objects, no sound. scripts/cost.sh measures the pet
// against it.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kFrames = 4;
constexpr int kStep = 3;
constexpr int kDeadZone = 5;
constexpr int kBitmapWidth = 41;
constexpr int kBitmapHeight = 39;

struct Frame {
    std::vector<char> regionData;
    int width = 0;
    int height = 0;
};

Frame frames[kFrames];
int current = 0;
HDC pictureDc = nullptr;

bool LoadFrames() {
    for (int i = 0; i < kFrames; ++i) {
        HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(101 + i), MAKEINTRESOURCEA(10));
        HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        DWORD size = found ? SizeofResource(nullptr, found) : 0;
        if (bytes == nullptr || size < sizeof(RGNDATAHEADER)) {
            return false;
        }
        frames[i].regionData.assign(static_cast<const char*>(bytes),
                                    static_cast<const char*>(bytes) + size);
        RGNDATAHEADER header;
        std::memcpy(&header, bytes, sizeof header);
        frames[i].width = header.rcBound.right;
        frames[i].height = header.rcBound.bottom;
    }
    return true;
}

// One 24-bit bitmap in a memory DC for the program's life, filled with a pattern.
bool MakePicture() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kBitmapWidth;
    info.bmiHeader.biHeight = kBitmapHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pictureDc = CreateCompatibleDC(nullptr);
    if (bitmap == nullptr || pictureDc == nullptr) {
        return false;
    }
    auto* pixels = static_cast<unsigned char*>(bits);
    int stride = (kBitmapWidth * 3 + 3) & ~3;
    for (int y = 0; y < kBitmapHeight; ++y) {
        for (int x = 0; x < kBitmapWidth * 3; ++x) {
            pixels[y * stride + x] = static_cast<unsigned char>((x * 7 + y * 13) & 0xFF);
        }
    }
    SelectObject(pictureDc, bitmap);
    return true;
}

int StepTowards(int pointer, int start, int size) {
    int distance = pointer - (start + size / 2);
    if (distance >= kDeadZone) {
        return kStep;
    }
    if (distance <= -kDeadZone) {
        return -kStep;
    }
    return 0;
}

void Tick(HWND window) {
    POINT pointer{};
    GetCursorPos(&pointer);
    RECT rect{};
    GetWindowRect(window, &rect);
    int dx = StepTowards(pointer.x, rect.left, rect.right - rect.left);
    int dy = StepTowards(pointer.y, rect.top, rect.bottom - rect.top);
    current = (current + 1) % kFrames;
    const Frame& frame = frames[current];
    SetWindowPos(window, nullptr, rect.left + dx, rect.top + dy, frame.width, frame.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(frame.regionData.size()),
                                  reinterpret_cast<const RGNDATA*>(frame.regionData.data()));
    if (SetWindowRgn(window, region, TRUE) == 0) {
        DeleteObject(region);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        Tick(window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, kBitmapWidth, kBitmapHeight, pictureDc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!LoadFrames() || !MakePicture()) {
        return 1;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.lpszClassName = "JellopFloor";
    if (RegisterClassA(&windowClass) == 0) {
        return 1;
    }
    // Where and how the pet first appears: 428, 320, the first frame's size and shape.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "JellopFloor", "Floor",
                                  WS_POPUP, 428, 320, frames[0].width, frames[0].height, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(frames[0].regionData.size()),
                                  reinterpret_cast<const RGNDATA*>(frames[0].regionData.data()));
    if (SetWindowRgn(window, region, FALSE) == 0) {
        DeleteObject(region);
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(window, 1, 100, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
