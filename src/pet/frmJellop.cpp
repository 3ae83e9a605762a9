#include "pet/frmJellop.h"

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

void frmJellop::ShowFrame(std::int16_t frameId, std::int16_t dx, std::int16_t dy) {
    SetPicture(runtime::LoadResPicture(frameId));

    if (!FrameDib) {
        FrameDib = std::make_unique<imaging::cDIBSection>();
    }
    FrameDib->CreateFromPicture(Picture());

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
