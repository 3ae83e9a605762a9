// A window with a known place, size and shape, for testing the end-to-end harness itself:
// a 40x30 popup at (100, 120) titled "JellopShapeProbe", shaped to two rectangles
// (0, 0, 10, 30) and (20, 10, 40, 20). It runs until it is closed or killed.
#include <windows.h>

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "JellopShapeProbe";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(WS_EX_TOOLWINDOW, "JellopShapeProbe", "JellopShapeProbe", WS_POPUP, 100,
                        120, 40, 30, nullptr, nullptr, windowClass.hInstance, nullptr);
    HRGN shape = CreateRectRgn(0, 0, 10, 30);
    HRGN bar = CreateRectRgn(20, 10, 40, 20);
    CombineRgn(shape, shape, bar, RGN_OR);
    DeleteObject(bar);
    SetWindowRgn(window, shape, TRUE); // the window owns the region from here on
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
