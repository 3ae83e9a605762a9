// frmJellop: the pet window. A borderless window without a taskbar button, placed at 6420 x
// 4800 twips, whose look at any moment is one frame: a bitmap resource as its picture and,
// under the same id, a region resource as its shape.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "runtime/form.h"

namespace pet {

class frmJellop : public runtime::Form {
  public:
    // The window as designed: caption "Form1", left 6420 and top 4800 twips, hidden, no
    // picture and no shape until the first frame is shown.
    frmJellop();
    ~frmJellop() override;

    // Puts frame `frameId` on screen: its bitmap as the picture, the window sized to it
    // (height first, then width, top-left corner fixed), its region as the window's shape,
    // then the window moved by dx, dy pixels. A missing bitmap or region resource raises the
    // resource layer's error; what was done up to then stays done.
    void ShowFrame(std::int16_t frameId, std::int16_t dx, std::int16_t dy);

    // Created on first use by ShowFrame and kept for the window's life: the device-independent
    // copy of the frame picture (read only for its size) and the region object that shapes
    // the window.
    std::unique_ptr<imaging::cDIBSection> FrameDib;
    std::unique_ptr<imaging::cDIBSectionRegion> FrameRegion;
};

} // namespace pet
