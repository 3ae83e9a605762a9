#include "pet/frmJellop.h"

#include "platform/window.h"
#include "runtime/resources.h"

namespace pet {
namespace {

runtime::FormDesign PetWindowDesign() {
    runtime::FormDesign design;
    design.caption = "Form1";
    design.left = 6420;
    design.top = 4800;
    return design;
}

} // namespace

frmJellop::frmJellop() : runtime::Form(PetWindowDesign()) {
    AddTimer(Timer1);
    AddTimer(Timer2);
}

// The region object goes first: it takes its shape off the window while the window exists.
frmJellop::~frmJellop() {
    FrameRegion.reset();
    FrameDib.reset();
}

frmJellop::PreparedFrame& frmJellop::PrepareFrame(std::int16_t frameId) {
    auto found = preparedFrames_.find(frameId);
    if (found != preparedFrames_.end() && found->second.picture) {
        return found->second;
    }
    auto picture = std::make_shared<const platform::Picture>(runtime::LoadResPicture(frameId));
    PreparedFrame& frame = preparedFrames_[frameId];
    frame.picture = std::move(picture);
    return frame;
}

void frmJellop::TakeFrameDib(std::int16_t frameId, PreparedFrame& frame) {
    if (FrameDib && frameDibId_ == frameId) {
        return;
    }
    if (FrameDib && frameDibId_ != 0) {
        preparedFrames_[frameDibId_].dib = std::move(FrameDib);
    }
    FrameDib = std::move(frame.dib);
    if (!FrameDib) {
        FrameDib = std::make_unique<imaging::cDIBSection>();
        FrameDib->CreateFromPicture(Picture());
    }
    frameDibId_ = frameId;
}

void frmJellop::ShowFrame(std::int16_t frameId, std::int16_t dx, std::int16_t dy) {
    // The new size, shape and position reach the screen together, when the frame is complete
    // (or when a missing resource ends it half-way: what was done up to then stays done).
    platform::WindowUpdateBatch batch(hWnd());

    PreparedFrame& frame = PrepareFrame(frameId);
    SetPicture(frame.picture);

    TakeFrameDib(frameId, frame);

    SetHeight(runtime::TwipsPerPixelY() * static_cast<float>(FrameDib->Height()));
    SetWidth(runtime::TwipsPerPixelX() * static_cast<float>(FrameDib->Width()));

    if (!FrameRegion) {
        FrameRegion = std::make_unique<imaging::cDIBSectionRegion>();
    }
    FrameRegion->LoadFromResource(frameId, "");

    FrameRegion->Applied(hWnd(), true);

    Move(Left() + runtime::TwipsPerPixelX() * static_cast<float>(dx),
         Top() + runtime::TwipsPerPixelY() * static_cast<float>(dy));
}

} // namespace pet
