// ShowFrame keeps each frame's picture and device-independent copy once made, and the walk
// hands its step and frame to the window as one update. A second window beside the pet goes
// through the same steps the plain way (every frame loaded afresh from the resources, every
// geometry change made at once); after every tick of a long walk and every death step both
// windows must be in the same state: the same picture bytes, the same shape rectangles and the
// same rectangle on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "controls/live_objects.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "pet_fixture.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_messages.h"
#include "platform/fake/fake_window.h"
#include "runtime/form.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"

namespace {

using testing_support::PetTest;

// A window shown the plain way: the frame display as it reads with nothing kept between calls.
class PlainFrameWindow {
  public:
    PlainFrameWindow() : form_(Design()) {}

    void ShowFrame(std::int16_t frameId, std::int16_t dx, std::int16_t dy) {
        form_.SetPicture(platform::LoadResPicture(frameId));
        if (!dib_) {
            dib_ = std::make_unique<imaging::cDIBSection>();
        }
        dib_->CreateFromPicture(form_.Picture());
        form_.SetHeight(runtime::TwipsPerPixelY() * static_cast<float>(dib_->Height()));
        form_.SetWidth(runtime::TwipsPerPixelX() * static_cast<float>(dib_->Width()));
        if (!region_) {
            region_ = std::make_unique<imaging::cDIBSectionRegion>();
        }
        region_->LoadFromResource(frameId, "");
        region_->Applied(form_.hWnd(), true);
        form_.Move(form_.Left() + runtime::TwipsPerPixelX() * static_cast<float>(dx),
                   form_.Top() + runtime::TwipsPerPixelY() * static_cast<float>(dy));
    }

    void Step(std::int16_t stepX, std::int16_t stepY) {
        form_.Move(form_.Left() + static_cast<float>(stepX) * 45,
                   form_.Top() + static_cast<float>(stepY) * 45);
    }

    platform::WindowHandle hWnd() const { return form_.hWnd(); }

    ~PlainFrameWindow() {
        if (region_) {
            region_->Applied(form_.hWnd(), false);
        }
    }

  private:
    static runtime::FormDesign Design() {
        runtime::FormDesign design;
        design.left = 6420;
        design.top = 4800;
        return design;
    }

    runtime::Form form_;
    std::unique_ptr<imaging::cDIBSection> dib_;
    std::unique_ptr<imaging::cDIBSectionRegion> region_;
};

// What the screen shows of a window: where it is, its shape and the pixels of its picture.
struct ShownState {
    platform::PixelRect rect;
    std::vector<std::byte> shape;
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
    std::vector<std::uint8_t> pictureBytes;
    bool operator==(const ShownState&) const = default;
};

ShownState StateOf(platform::WindowHandle window) {
    const platform::fake::WindowState* state = platform::fake::FindWindowState(window);
    ShownState shown;
    if (state == nullptr) {
        ADD_FAILURE() << "no window";
        return shown;
    }
    shown.rect = state->rect;
    shown.shape = backend::WindowShape(window).value_or(std::vector<std::byte>{});

    // The picture's pixels, read through a 24-bit copy.
    platform::BitmapRecord record{};
    platform::GetObject(state->picture, record);
    imaging::cDIBSection copy;
    if (!copy.Create(record.bmWidth, record.bmHeight)) {
        ADD_FAILURE() << "no copy of the picture";
        return shown;
    }
    {
        platform::MemoryDc dc = platform::CreateCompatibleDC(platform::DcHandle{});
        platform::SelectedBitmap selected(dc.get(), state->picture);
        copy.LoadPictureBlt(dc.get());
    }
    shown.pictureWidth = copy.Width();
    shown.pictureHeight = copy.Height();
    const std::uint8_t* bits = copy.DIBSectionBitsPtr();
    shown.pictureBytes.assign(bits, bits + copy.BytesPerScanLine() * copy.Height());
    return shown;
}

class CachedFrameDisplay : public PetTest {};

TEST_F(CachedFrameDisplay, EveryWalkTickAndDeathStepEndsAsThePlainFrameDisplayWould) {
    pet::frmJellop& pet = Start();
    PlainFrameWindow plain;
    plain.ShowFrame(101, 0, 0);
    ASSERT_EQ(StateOf(pet.hWnd()), StateOf(plain.hWnd())) << "after start-up";

    // The pointer circles (radius 150 pixels, a turn every 16 s) faster than the pet walks:
    // every series, series changes in mid-cycle and single-axis steps come up.
    std::vector<std::int16_t> framesSeen;
    for (int tick = 1; tick <= 400; ++tick) {
        double angle = tick * 2 * 3.14159265358979 / 160;
        platform::fake::SetCursorPos(500 + static_cast<int>(std::lround(150 * std::cos(angle))),
                                     400 + static_cast<int>(std::lround(150 * std::sin(angle))));
        platform::fake::RunFor(100);
        plain.Step(pet.StepX, pet.StepY);
        plain.ShowFrame(pet.CurrentFrame, 0, 0);
        ASSERT_EQ(StateOf(pet.hWnd()), StateOf(plain.hWnd()))
            << "tick " << tick << ", frame " << pet.CurrentFrame;
        ASSERT_EQ(pet.FrameDib->Width(), StateOf(pet.hWnd()).rect.Width());
        framesSeen.push_back(pet.CurrentFrame);
    }
    for (std::int16_t frame :
         {101, 102, 103, 104, 111, 112, 113, 114, 121, 122, 123, 124, 131, 132, 133, 134}) {
        EXPECT_NE(std::find(framesSeen.begin(), framesSeen.end(), frame), framesSeen.end())
            << "frame " << frame << " never came up";
    }

    // The death steps, with their offsets.
    pet.StartDie();
    const struct {
        std::int16_t frame, dx, dy;
    } steps[] = {{142, -10, -10}, {143, -5, -5}, {144, 0, 0}, {145, 0, 0}, {146, 0, 40}};
    platform::fake::RunFor(100); // 141: the death sound, no new frame
    ASSERT_EQ(StateOf(pet.hWnd()), StateOf(plain.hWnd()));
    for (const auto& step : steps) {
        platform::fake::RunFor(100);
        plain.ShowFrame(step.frame, step.dx, step.dy);
        ASSERT_EQ(StateOf(pet.hWnd()), StateOf(plain.hWnd())) << "frame " << step.frame;
    }
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

// A frame shown again comes back with the same picture and copy it had the first time, and
// the window's picture is the one the pet holds.
TEST_F(CachedFrameDisplay, AFrameShownAgainReusesItsPictureAndCopy) {
    pet::frmJellop pet;
    pet.ShowFrame(103, 0, 0);
    platform::BitmapHandle picture = pet.Picture().Handle();
    const imaging::cDIBSection* copy = pet.FrameDib.get();
    pet.ShowFrame(104, 0, 0);
    EXPECT_NE(pet.Picture().Handle(), picture);
    EXPECT_EQ(pet.FrameDib->Height(), 33);

    pet.ShowFrame(103, 0, 0);
    EXPECT_EQ(pet.Picture().Handle(), picture);
    EXPECT_EQ(pet.FrameDib.get(), copy);
    EXPECT_EQ(pet.FrameDib->Height(), 39);
    EXPECT_EQ(platform::fake::FindWindowState(pet.hWnd())->picture, picture);
}

} // namespace
