// The form layer under the pet window: geometry in twips through the screen's factors, with
// rounding to whole pixels, and the picture it owns.
#include <gtest/gtest.h>

#include "controls/live_objects.h"
#include "platform/fake/fake_window.h"
#include "runtime/error.h"
#include "runtime/form.h"
#include "shared/backend.h"

namespace {

using platform::PixelRect;

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override { backend::Reset(); }
    void TearDown() override { platform::fake::ResetScreen(); }

    static PixelRect RectOf(const runtime::Form& form) {
        return platform::fake::FindWindowState(form.hWnd())->rect;
    }
};

runtime::FormDesign Design(float left, float top, float width, float height) {
    runtime::FormDesign design;
    design.left = left;
    design.top = top;
    design.width = width;
    design.height = height;
    return design;
}

TEST_F(FormTest, GeometryIsReadAndWrittenInTwips) {
    runtime::Form form(Design(1500, 3000, 600, 450));
    EXPECT_EQ(RectOf(form), (PixelRect{100, 200, 140, 230}));
    EXPECT_FLOAT_EQ(form.Left(), 1500.0f);
    EXPECT_FLOAT_EQ(form.Top(), 3000.0f);
    EXPECT_FLOAT_EQ(form.Width(), 600.0f);
    EXPECT_FLOAT_EQ(form.Height(), 450.0f);

    form.SetHeight(150); // a new size keeps the top-left corner
    EXPECT_EQ(RectOf(form), (PixelRect{100, 200, 140, 210}));
    form.SetWidth(1500);
    EXPECT_EQ(RectOf(form), (PixelRect{100, 200, 200, 210}));
    form.Move(0, 15); // keeps the size
    EXPECT_EQ(RectOf(form), (PixelRect{0, 1, 100, 11}));
    form.Move(-150, 30);
    EXPECT_EQ(RectOf(form), (PixelRect{-10, 2, 90, 12}));
}

TEST_F(FormTest, TwipsThatAreNotWholePixelsRoundToTheNearestHalvesToEven) {
    platform::fake::SetScreen(1280, 1024, 120, 120); // 12 twips per pixel
    runtime::Form form(Design(0, 0, 0, 0));
    form.SetWidth(30.0f); // 2.5 px
    EXPECT_EQ(RectOf(form).Width(), 2);
    form.SetWidth(42.0f); // 3.5 px
    EXPECT_EQ(RectOf(form).Width(), 4);
    form.SetHeight(17.9f); // 1.49 px
    EXPECT_EQ(RectOf(form).Height(), 1);

    platform::fake::SetScreen(1280, 1024, 100, 100); // 14.4 twips per pixel
    form.Move(20.0f, 0);                             // 1.39 px
    EXPECT_EQ(RectOf(form).left, 1);
    EXPECT_FLOAT_EQ(form.Left(), 14.4f);
}

TEST_F(FormTest, TwipsBeyondThe32BitPixelRangeRaiseError6) {
    runtime::Form form(Design(0, 0, 15, 15));
    try {
        form.Move(1e12f, 0);
        ADD_FAILURE() << "no overflow";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), 6);
    }
    EXPECT_EQ(RectOf(form), (PixelRect{0, 0, 1, 1}));
}

TEST_F(FormTest, ThePictureIsShownAndReplacedWithoutLeaks) {
    platform::memory::LiveObjects before = platform::memory::CountLiveObjects();
    {
        runtime::Form form(Design(0, 0, 150, 150));
        EXPECT_TRUE(platform::IsNull(form.Picture().Handle()));
        form.SetPicture(platform::LoadResPicture(101));
        platform::BitmapHandle first = form.Picture().Handle();
        EXPECT_EQ(platform::fake::FindWindowState(form.hWnd())->picture, first);
        form.SetPicture(platform::LoadResPicture(102));
        EXPECT_EQ(platform::fake::FindWindowState(form.hWnd())->picture, form.Picture().Handle());
        platform::BitmapRecord record{};
        EXPECT_EQ(platform::GetObject(first, record), 0) << "the old picture is released";

        form.Show();
        EXPECT_TRUE(form.Visible());
        form.Hide();
        EXPECT_FALSE(form.Visible());
    }
    EXPECT_EQ(platform::memory::CountLiveObjects(), before);
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

} // namespace
