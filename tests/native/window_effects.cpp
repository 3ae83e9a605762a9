// modLayered on the fake platform: what each routine asks of the window system.
#include <gtest/gtest.h>

#include "fake_platform_reset.h"
#include "pet/modLayered.h"
#include "platform/layered.h"
#include "runtime/error.h"
#include "runtime/form.h"

namespace {

using platform::fake::LayeredCall;

class WindowEffects : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::ResetFakePlatform();
        modLayered::LayeredSupported = true;
    }
    void TearDown() override { modLayered::LayeredSupported = false; }

    runtime::Form MakeForm(float left = 6420, float top = 4800, float width = 555,
                           float height = 540) {
        runtime::FormDesign design;
        design.left = left;
        design.top = top;
        design.width = width;
        design.height = height;
        return runtime::Form(design);
    }
};

TEST_F(WindowEffects, LayeredSupportFollowsThePlatformIdOnly) {
    for (auto [id, supported] : {std::pair{2, true}, {3, true}, {1, false}, {0, false}}) {
        platform::fake::SetPlatformId(id);
        modLayered::LayeredSupported = !supported;
        modLayered::DetectLayeredSupport();
        EXPECT_EQ(modLayered::LayeredSupported, supported) << "platform id " << id;
    }
}

TEST_F(WindowEffects, AlphaFlagsDependOnKeyAndAlpha) {
    runtime::Form form = MakeForm();
    modLayered::SetLayeredStyle(form.hWnd(), true);
    platform::fake::ClearLayeredCalls();

    struct Case {
        std::int32_t key;
        std::uint8_t alpha;
        std::uint32_t colour, flags;
    };
    for (Case c :
         {Case{-1, 0, 0, 2}, Case{-1, 254, 0, 2}, Case{-1, 255, 0, 0},
          Case{0x00FF00, 255, 0x00FF00, 1}, Case{0x0000FF, 10, 0x0000FF, 3}, Case{0, 128, 0, 3}}) {
        modLayered::SetWindowAlpha(form.hWnd(), c.key, c.alpha);
        const LayeredCall& call = platform::fake::LayeredCalls().back();
        EXPECT_EQ(call.kind, LayeredCall::Kind::SetLayeredWindowAttributes);
        EXPECT_EQ(call.colorKey, c.colour) << "key " << c.key;
        EXPECT_EQ(call.alpha, c.alpha);
        EXPECT_EQ(call.flags, c.flags) << "key " << c.key << " alpha " << int(c.alpha);
        EXPECT_TRUE(call.succeeded);
    }
    EXPECT_EQ(platform::fake::LayeredCalls().size(), 6u);
}

TEST_F(WindowEffects, LayeredStyleTogglesOnlyItsOwnBit) {
    runtime::Form form = MakeForm();
    std::int32_t before = platform::GetWindowLong(form.hWnd(), platform::kGwlExStyle);
    ASSERT_TRUE(before & platform::kWsExToolWindow) << "the pet window has no taskbar button";

    modLayered::SetLayeredStyle(form.hWnd(), true);
    EXPECT_EQ(platform::GetWindowLong(form.hWnd(), platform::kGwlExStyle),
              before | platform::kWsExLayered);
    modLayered::SetLayeredStyle(form.hWnd(), true);
    EXPECT_EQ(platform::GetWindowLong(form.hWnd(), platform::kGwlExStyle),
              before | platform::kWsExLayered);
    modLayered::SetWindowAlpha(form.hWnd(), -1, 100);
    EXPECT_EQ(platform::fake::EffectiveAlpha(form.hWnd()), 100);

    modLayered::SetLayeredStyle(form.hWnd(), false);
    EXPECT_EQ(platform::GetWindowLong(form.hWnd(), platform::kGwlExStyle), before);
    EXPECT_EQ(platform::fake::EffectiveAlpha(form.hWnd()), 255) << "opaque once not layered";
}

TEST_F(WindowEffects, WithoutLayeredSupportNoStyleOrAlphaIsEverTouched) {
    modLayered::LayeredSupported = false;
    runtime::Form form = MakeForm();
    modLayered::SetLayeredStyle(form.hWnd(), true);
    modLayered::SetWindowAlpha(form.hWnd(), -1, 50);
    modLayered::SetLayeredStyle(form.hWnd(), false);
    EXPECT_TRUE(platform::fake::LayeredCalls().empty());
}

TEST_F(WindowEffects, TopmostReappliesTheRectangleAtFifteenTwipsPerPixel) {
    runtime::Form form = MakeForm();
    ASSERT_FALSE(form.Visible());
    platform::fake::ClearWindowOperations(form.hWnd());

    modLayered::SetTopmost(form, true);
    const auto* state = platform::fake::FindWindowState(form.hWnd());
    ASSERT_EQ(state->operations.size(), 1u);
    const auto& op = state->operations[0];
    EXPECT_EQ(op.kind, platform::fake::WindowOperation::Kind::SetPos);
    EXPECT_EQ(op.insertAfter, platform::kHwndTopmost);
    EXPECT_EQ(op.flags, 0x50u);
    EXPECT_EQ(op.rect, (platform::PixelRect{428, 320, 465, 356}));
    EXPECT_TRUE(state->topmost);
    EXPECT_TRUE(state->visible) << "SetWindowPos with SWP_SHOWWINDOW shows the window";

    form.Hide();
    modLayered::SetTopmost(form, false);
    EXPECT_EQ(state->operations.back().insertAfter, platform::kHwndNoTopmost);
    EXPECT_EQ(state->operations.back().flags, 0x50u);
    EXPECT_FALSE(state->topmost);
    EXPECT_TRUE(state->visible) << "the show flag is passed on every call";
}

TEST_F(WindowEffects, TopmostAtOtherResolutionsScalesByTheFixedFactor) {
    // 192 DPI: 7.5 twips per pixel, so every pixel value is halved, halves to even.
    platform::fake::SetScreen(2560, 2048, 192, 192);
    runtime::Form form = MakeForm(37.5, 52.5, 52.5, 22.5); // 5, 7, 7 and 3 pixels
    ASSERT_EQ(platform::GetWindowRect(form.hWnd()), (platform::PixelRect{5, 7, 12, 10}));
    modLayered::SetTopmost(form, true);
    // 2.5 -> 2, 3.5 -> 4, 3.5 -> 4, 1.5 -> 2
    EXPECT_EQ(platform::GetWindowRect(form.hWnd()), (platform::PixelRect{2, 4, 6, 6}));
}

} // namespace
