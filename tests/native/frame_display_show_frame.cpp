// ShowFrame on the fake platform: the window's picture, size, shape and position after each
// frame, the order of the steps, the failure cases, and an hour of walking.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header for it): bytes the program holds now.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "controls/live_objects.h"
#include "controls/resources.h"
#include "leak_checked_test.h"
#include "pet/frmJellop.h"
#include "platform/fake/fake_window.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"

namespace {

using imaging_test::ParseRegionData;
using imaging_test::Rect;
using platform::PixelRect;
using platform::fake::WindowOperation;
using Kind = platform::fake::WindowOperation::Kind;

using imaging_test::kFrameSet;

class ShowFrameTest : public LeakCheckedTest {
  protected:
    static const platform::fake::WindowState& StateOf(const pet::frmJellop& pet) {
        const platform::fake::WindowState* state = platform::fake::FindWindowState(pet.hWnd());
        EXPECT_NE(state, nullptr);
        return *state;
    }

    static std::vector<Rect> ShapeOf(const pet::frmJellop& pet) {
        std::optional<std::vector<std::byte>> shape = backend::WindowShape(pet.hWnd());
        return shape ? ParseRegionData(*shape).rects : std::vector<Rect>{};
    }
};

TEST_F(ShowFrameTest, TheNewPetWindowIsHiddenAndUnshapedAtItsStartPosition) {
    pet::frmJellop pet;
    const platform::fake::WindowState& state = StateOf(pet);
    EXPECT_EQ(state.rect.left, 428);
    EXPECT_EQ(state.rect.top, 320);
    EXPECT_FALSE(state.visible);
    EXPECT_TRUE(platform::IsNull(state.region));
    EXPECT_EQ(state.caption, "Form1");
    EXPECT_FLOAT_EQ(pet.Left(), 6420.0f);
    EXPECT_FLOAT_EQ(pet.Top(), 4800.0f);
    EXPECT_EQ(pet.FrameDib, nullptr) << "created on first use";
    EXPECT_EQ(pet.FrameRegion, nullptr) << "created on first use";
}

TEST_F(ShowFrameTest, Frame101SizesAndShapesTheWindowInPlace) {
    pet::frmJellop pet;
    pet.ShowFrame(101, 0, 0);

    const platform::fake::WindowState& state = StateOf(pet);
    EXPECT_EQ(state.rect, (PixelRect{428, 320, 465, 356}));
    EXPECT_FLOAT_EQ(pet.Width(), 555.0f);
    EXPECT_FLOAT_EQ(pet.Height(), 540.0f);
    EXPECT_EQ(state.picture, pet.Picture().Handle());
    ASSERT_NE(pet.FrameDib, nullptr);
    EXPECT_EQ(pet.FrameDib->Width(), 37);
    EXPECT_EQ(pet.FrameDib->Height(), 36);
    ASSERT_NE(pet.FrameRegion, nullptr);
    EXPECT_EQ(pet.FrameRegion->AppliedToCount(), 1);
    EXPECT_EQ(pet.FrameRegion->hWndForIndex(1), pet.hWnd());

    std::vector<std::byte> stored =
        imaging_test::ReadFileBytes(backend::SourcePath("resources/regions/101.rgn"));
    EXPECT_EQ(ShapeOf(pet), ParseRegionData(stored).rects);
    EXPECT_EQ(ShapeOf(pet).size(), 24u);
}

// Picture, height, width, shape, then the move, which is made also for a zero offset. Every
// frame after the first takes the old shape away before it gives the new one.
TEST_F(ShowFrameTest, TheStepsRunInOrderHeightBeforeWidth) {
    pet::frmJellop pet;
    pet.ShowFrame(103, 0, 0);
    platform::fake::ClearWindowOperations(pet.hWnd());
    pet.ShowFrame(104, 0, 0);

    const std::vector<WindowOperation>& ops = StateOf(pet).operations;
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[0].kind, Kind::SetPicture);
    EXPECT_EQ(ops[1].kind, Kind::SetRect);
    EXPECT_EQ(ops[1].rect, (PixelRect{428, 320, 428 + 41, 320 + 33})) << "height first";
    EXPECT_EQ(ops[2].kind, Kind::SetRect);
    EXPECT_EQ(ops[2].rect, (PixelRect{428, 320, 428 + 39, 320 + 33}));
    EXPECT_EQ(ops[3].kind, Kind::SetRegion);
    EXPECT_FALSE(ops[3].hasRegion) << "the old shape is taken away by the load";
    EXPECT_EQ(ops[4].kind, Kind::SetRegion);
    EXPECT_TRUE(ops[4].hasRegion);
    EXPECT_TRUE(ops[4].redraw);
    EXPECT_EQ(ops[5].kind, Kind::SetRect);
    EXPECT_EQ(ops[5].rect, (PixelRect{428, 320, 467, 353}));
}

TEST_F(ShowFrameTest, SmallerFramesShrinkTowardsTheTopLeftAndOffsetsMoveTheWindow) {
    pet::frmJellop pet;
    pet.ShowFrame(103, 0, 0);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{428, 320, 469, 359}));
    pet.ShowFrame(104, 0, 0);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{428, 320, 467, 353})) << "2 px right, 6 px bottom";

    pet.ShowFrame(142, -10, -10);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{418, 310, 418 + 39, 310 + 32}));
    pet.ShowFrame(146, 0, 40);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{418, 350, 418 + 84, 350 + 28}));
    EXPECT_FLOAT_EQ(pet.Top(), 350.0f * 15.0f);
}

TEST_F(ShowFrameTest, EveryFrameShowsAllItsPixelsAndNoRed) {
    pet::frmJellop pet;
    for (const auto& [id, facts] : kFrameSet) {
        pet.ShowFrame(id, 0, 0);
        PixelRect rect = StateOf(pet).rect;
        ASSERT_EQ(rect.Width(), facts.width) << id;
        ASSERT_EQ(rect.Height(), facts.height) << id;
        std::vector<Rect> shape = ShapeOf(pet);
        EXPECT_EQ(static_cast<std::int32_t>(shape.size()), facts.rectangles) << id;

        // FrameDib holds the picture's pixels, bottom line first.
        const imaging::cDIBSection& dib = *pet.FrameDib;
        for (std::int32_t y = 0; y < dib.Height(); ++y) {
            const std::uint8_t* row =
                dib.DIBSectionBitsPtr() + (dib.Height() - 1 - y) * dib.BytesPerScanLine();
            for (std::int32_t x = 0; x < dib.Width(); ++x) {
                bool red = imaging_test::IsPureRed(row + 3 * x);
                ASSERT_EQ(imaging_test::Covers(shape, x, y), !red)
                    << "frame " << id << " pixel " << x << "," << y
                    << (red ? " is red but shown" : " is hidden");
            }
        }
    }
}

TEST_F(ShowFrameTest, AllWalkingSeriesHaveTheSameSizesAtEachStep) {
    pet::frmJellop pet;
    for (std::int16_t step = 0; step < 4; ++step) {
        pet.ShowFrame(static_cast<std::int16_t>(101 + step), 0, 0);
        PixelRect reference = StateOf(pet).rect;
        for (std::int16_t base : {111, 121, 131}) {
            pet.ShowFrame(static_cast<std::int16_t>(base + step), 0, 0);
            EXPECT_EQ(StateOf(pet).rect, reference) << base + step;
        }
    }
}

TEST_F(ShowFrameTest, AMissingFrameRaisesAndLeavesPictureSizeAndShape) {
    pet::frmJellop pet;
    pet.ShowFrame(101, 0, 0);
    platform::BitmapHandle picture = pet.Picture().Handle();
    PixelRect rect = StateOf(pet).rect;
    std::vector<Rect> shape = ShapeOf(pet);

    try {
        pet.ShowFrame(100, 5, 5);
        ADD_FAILURE() << "frame 100 does not exist";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), 326);
        EXPECT_EQ(error.Message(), "Resource with identifier '100' not found");
    }
    EXPECT_EQ(pet.Picture().Handle(), picture);
    EXPECT_EQ(StateOf(pet).picture, picture);
    EXPECT_EQ(StateOf(pet).rect, rect);
    EXPECT_EQ(ShapeOf(pet), shape);
}

TEST_F(ShowFrameTest, AFrameWithoutItsRegionShowsTheNewPictureWithTheOldShape) {
    platform::memory::RemoveOwnResource(platform::ResourceType::RawData, 103);
    pet::frmJellop pet;
    pet.ShowFrame(101, 0, 0);
    std::vector<Rect> shape = ShapeOf(pet);

    EXPECT_THROW(pet.ShowFrame(103, 0, 0), runtime::Error);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{428, 320, 469, 359})) << "the new size";
    EXPECT_EQ(pet.FrameDib->Width(), 41);
    EXPECT_EQ(ShapeOf(pet), shape) << "the previous shape";
    EXPECT_EQ(pet.FrameRegion->AppliedToCount(), 1);
}

TEST_F(ShowFrameTest, OtherScreenResolutionsConvertThroughTheirTwipsPerPixel) {
    platform::fake::SetScreen(1600, 1200, 120, 120); // 12 twips per pixel
    pet::frmJellop pet;
    EXPECT_EQ(StateOf(pet).rect.left, 535);
    EXPECT_EQ(StateOf(pet).rect.top, 400);
    pet.ShowFrame(101, 3, -2);
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{538, 398, 538 + 37, 398 + 36}));
    EXPECT_FLOAT_EQ(pet.Width(), 37.0f * 12.0f);
}

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// An hour of walking at ten frames a second: no platform object and no memory may pile up.
TEST_F(ShowFrameTest, AnHourOfFramesLeavesObjectsAndMemoryFlat) {
    pet::frmJellop pet;
    const std::int16_t walk[] = {101, 102, 103, 104, 111, 112, 113, 114,
                                 121, 122, 123, 124, 131, 132, 133, 134};
    // A first round fills the caches (ShowFrame keeps each frame's picture and copy once it
    // has shown it) and the operation record to their working size.
    for (int i = 0; i < 1000; ++i) {
        pet.ShowFrame(walk[i % 16], 0, 0);
    }
    platform::memory::LiveObjects warm = platform::memory::CountLiveObjects();
    platform::fake::ClearWindowOperations(pet.hWnd());
    std::size_t heap = HeapInUse();

    for (int i = 0; i < 36000; ++i) {
        pet.ShowFrame(walk[i % 16], 0, 0);
        if (i % 1000 == 999) {
            ASSERT_EQ(platform::memory::CountLiveObjects(), warm) << "after " << i + 1 << " frames";
            platform::fake::ClearWindowOperations(pet.hWnd()); // the record is test-only
        }
    }
    EXPECT_EQ(platform::memory::CountLiveObjects(), warm);
    std::size_t after = HeapInUse();
    EXPECT_LT(after, heap + 16 * 1024) << "heap grew from " << heap << " to " << after;
    EXPECT_EQ(StateOf(pet).rect, (PixelRect{428, 320, 428 + 39, 320 + 33}));
}

} // namespace
