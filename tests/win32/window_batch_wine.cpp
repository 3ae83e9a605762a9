// Window update batches on real windows: what is held back, what code inside the batch reads,
// and what the window is when the batch ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "gdi/region.h"
#include "platform/window.h"
#include "platform/window_region.h"
#include "shared/imaging_support.h"

namespace {

HWND Native(platform::WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

// The window as Win32 itself reports it, past the platform layer.
RECT SystemRect(platform::WindowHandle window) {
    RECT rect{};
    GetWindowRect(Native(window), &rect);
    return rect;
}

std::vector<RECT> SystemShape(platform::WindowHandle window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    std::vector<RECT> rects;
    if (GetWindowRgn(Native(window), region) != ERROR) {
        DWORD size = GetRegionData(region, 0, nullptr);
        std::vector<std::byte> block(size);
        GetRegionData(region, size, reinterpret_cast<RGNDATA*>(block.data()));
        const auto* data = reinterpret_cast<const RGNDATA*>(block.data());
        const auto* first = reinterpret_cast<const RECT*>(data->Buffer);
        rects.assign(first, first + data->rdh.nCount);
    }
    DeleteObject(region);
    return rects;
}

bool Same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

class WindowBatch : public ::testing::Test {
  protected:
    platform::Window window_ = platform::CreateFormWindow("batch", 100, 120, 30, 20);
    platform::WindowHandle hWnd() const { return window_.get(); }
};

// Inside the batch the window keeps its old place and shape on the screen while the platform
// reports the new rectangle; at its end the window has the last size, place and shape given.
TEST_F(WindowBatch, HoldsPlacementAndShapeBackAndMakesTheLastOfEachAtTheEnd) {
    platform::SetWindowRgn(hWnd(), platform::CreateRectRgn(0, 0, 5, 5), true);
    {
        platform::WindowUpdateBatch batch(hWnd());
        platform::SetWindowRect(hWnd(), {100, 120, 130, 160});
        platform::SetWindowRect(hWnd(), {100, 120, 150, 160});
        platform::SetWindowRgn(hWnd(), platform::Region{}, true);
        platform::SetWindowRgn(hWnd(), platform::CreateRectRgn(1, 2, 11, 12), true);
        platform::SetWindowRect(hWnd(), {103, 117, 153, 157});

        EXPECT_EQ(platform::GetWindowRect(hWnd()), (platform::PixelRect{103, 117, 153, 157}));
        EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{100, 120, 130, 140})) << "not made yet";
        ASSERT_EQ(SystemShape(hWnd()).size(), 1u);
        EXPECT_TRUE(Same(SystemShape(hWnd())[0], RECT{0, 0, 5, 5})) << "not made yet";
    }
    EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{103, 117, 153, 157}));
    ASSERT_EQ(SystemShape(hWnd()).size(), 1u);
    EXPECT_TRUE(Same(SystemShape(hWnd())[0], RECT{1, 2, 11, 12}));
}

// A shape taken away inside the batch and not given again leaves the window without one; an
// inner batch applies nothing, the outer one everything.
TEST_F(WindowBatch, ARemovedShapeIsRemovedAndInnerBatchesWaitForTheOuterOne) {
    platform::SetWindowRgn(hWnd(), platform::CreateRectRgn(0, 0, 5, 5), true);
    {
        platform::WindowUpdateBatch outer(hWnd());
        {
            platform::WindowUpdateBatch inner(hWnd());
            platform::SetWindowRgn(hWnd(), platform::Region{}, true);
            platform::SetWindowRect(hWnd(), {60, 70, 70, 80});
        }
        EXPECT_EQ(SystemShape(hWnd()).size(), 1u) << "the inner batch has ended, the outer not";
        EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{100, 120, 130, 140}));
    }
    EXPECT_TRUE(SystemShape(hWnd()).empty());
    EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{60, 70, 70, 80}));
}

// A change the batch does not hold (the topmost band, hiding the window) makes the held-back
// ones first, so the calls keep their order.
TEST_F(WindowBatch, OtherChangesMakeTheHeldBackOnesFirst) {
    platform::WindowUpdateBatch batch(hWnd());
    platform::SetWindowRect(hWnd(), {10, 20, 40, 60});
    platform::SetTopmost(hWnd(), true, {10, 20, 40, 60});
    EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{10, 20, 40, 60}));
    EXPECT_TRUE(GetWindowLongA(Native(hWnd()), GWL_EXSTYLE) & WS_EX_TOPMOST);

    platform::SetWindowRect(hWnd(), {11, 21, 41, 61});
    platform::ShowWindow(hWnd(), false);
    EXPECT_TRUE(Same(SystemRect(hWnd()), RECT{11, 21, 41, 61}));
    EXPECT_FALSE(IsWindowVisible(Native(hWnd())));
}

} // namespace
