// modLayered on the fake platform: what each routine asks of the window system.
#include <gtest/gtest.h>

#include <optional>

#include "fake_platform_reset.h"
#include "pet/modLayered.h"
#include "platform/layered.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "runtime/form.h"

namespace {

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

TEST_F(WindowEffects, AlphaCarriesAColourKeyOnlyWhenOneIsGiven) {
    runtime::Form form = MakeForm();
    modLayered::SetLayeredStyle(form.hWnd(), true);

    struct Case {
        std::int32_t key;
        std::uint8_t alpha;
        std::optional<std::uint32_t> colourKey;
    };
    for (Case c :
         {Case{-1, 0, std::nullopt}, Case{-1, 255, std::nullopt}, Case{0x00FF00, 255, 0x00FF00u},
          Case{0x0000FF, 10, 0x0000FFu}, Case{0, 128, 0u}}) {
        modLayered::SetWindowAlpha(form.hWnd(), c.key, c.alpha);
        auto state = platform::fake::LayeredStateOf(form.hWnd());
        ASSERT_TRUE(state);
        EXPECT_TRUE(state->opacitySet);
        EXPECT_EQ(state->alpha, c.alpha);
        EXPECT_EQ(state->colourKey, c.colourKey) << "key " << c.key;
    }
}

// The style switched on (twice) and off reaches the window; what the window system then does
// with an opacity (refused before, forgotten after) is the backends' contract
// (tests/contract/windows.cpp).
TEST_F(WindowEffects, LayeredStyleOnAndOffAndTheOpacityGoesWithIt) {
    runtime::Form form = MakeForm();
    modLayered::SetLayeredStyle(form.hWnd(), true);
    modLayered::SetLayeredStyle(form.hWnd(), true);
    EXPECT_TRUE(platform::fake::LayeredStateOf(form.hWnd())->layered);
    modLayered::SetWindowAlpha(form.hWnd(), -1, 100);
    EXPECT_EQ(platform::fake::EffectiveAlpha(form.hWnd()), 100);

    modLayered::SetLayeredStyle(form.hWnd(), false);
    EXPECT_FALSE(platform::fake::LayeredStateOf(form.hWnd())->layered);
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

    modLayered::SetTopmost(form, true);
    const auto* state = platform::fake::FindWindowState(form.hWnd());
    EXPECT_EQ(state->rect, (platform::PixelRect{428, 320, 465, 356}));
    EXPECT_TRUE(state->topmost);
    EXPECT_TRUE(state->visible) << "SetTopmost shows the window";

    form.Hide();
    modLayered::SetTopmost(form, false);
    EXPECT_FALSE(state->topmost);
    EXPECT_TRUE(state->visible) << "shown on every call, even after a hide";
    EXPECT_EQ(state->rect, (platform::PixelRect{428, 320, 465, 356}));
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
