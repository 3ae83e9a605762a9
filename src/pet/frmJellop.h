// frmJellop: the pet window. A borderless window without a taskbar button, placed at 6420 x
// 4800 twips, whose look at any moment is one frame: a bitmap resource as its picture and,
// under the same id, a region resource as its shape.
//
// Its events are the pet's life: the load event is the start-up (fade-in), the unload event
// the shutdown (fade-out), Timer1 the walk after the pointer, Timer2 the death, and the mouse
// events the drag, the context menu and the death request.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "platform/input.h"
#include "platform/instance.h"
#include "runtime/form.h"
#include "runtime/timer.h"
#include "sound/modDX.h"

namespace pet {

// The name under which a running copy of the program makes itself known machine-wide.
inline constexpr const char* kInstanceName = "DesktopJellop.SingleInstance";

class frmJellop : public runtime::Form {
  public:
    // The window as designed: caption "Form1", left 6420 and top 4800 twips, hidden, no
    // picture and no shape until the first frame is shown; both timers disabled at 100 ms.
    frmJellop();
    ~frmJellop() override;

    // Puts frame `frameId` on screen: its bitmap as the picture, the window sized to it
    // (height first, then width, top-left corner fixed), its region as the window's shape,
    // then the window moved by dx, dy pixels. A missing bitmap or region resource raises the
    // resource layer's error; what was done up to then stays done.
    void ShowFrame(std::int16_t frameId, std::int16_t dx, std::int16_t dy);

    // Starts the death: the walk stops, the step counter goes back to 140 and Timer2 runs.
    // A request while dying starts the sequence over.
    void StartDie();

    // The pan of a sound started now, from the window's left edge: -5000 at the screen's
    // left edge, 0 at its middle (hundredths of a decibel, negative to the left).
    std::int32_t SoundPan() const;

    // Created on first use by ShowFrame and kept for the window's life: the device-independent
    // copy of the frame picture (read only for its size) and the region object that shapes
    // the window. FrameDib always holds the copy of the frame on screen; ShowFrame makes the
    // copy of each frame once and keeps the others aside (see PreparedFrame).
    std::unique_ptr<imaging::cDIBSection> FrameDib;
    std::unique_ptr<imaging::cDIBSectionRegion> FrameRegion;

    // The frame on screen (while dying: the death step), the first frame of the walking
    // series in use, and the step directions of the last walk tick (-1, 0 or +1).
    std::int16_t CurrentFrame = 0;
    std::int16_t SeriesBase = 0;
    std::int16_t StepX = 0;
    std::int16_t StepY = 0;

    // The walk (every 100 ms while alive) and the death steps.
    runtime::Timer Timer1{[this] { Timer1_Timer(); }, 100};
    runtime::Timer Timer2{[this] { Timer2_Timer(); }, 100};

  protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Form_DblClick() override;

  private:
    void Timer1_Timer();
    void Timer2_Timer();

    // Pans `buffer` by SoundPan, then plays it once from its start. A pan that cannot be set
    // (the window so far right that it is out of range) leaves the previous pan; the sound
    // still plays.
    void PlayPannedSound(std::optional<modDX::DirectSoundBuffer>& buffer);

    // What ShowFrame makes once per frame id instead of on every call: the picture loaded from
    // the frame's bitmap resource (pictures are never changed once loaded) and, while another
    // frame is on screen, FrameDib's copy of it.
    struct PreparedFrame {
        std::shared_ptr<const platform::Picture> picture;
        std::unique_ptr<imaging::cDIBSection> dib;
    };
    // The frame's prepared picture; loading it raises what LoadResPicture raises.
    PreparedFrame& PrepareFrame(std::int16_t frameId);
    // Makes FrameDib the copy of frame `frameId`'s picture, which is the window's picture.
    void TakeFrameDib(std::int16_t frameId, PreparedFrame& frame);

    std::map<std::int16_t, PreparedFrame> preparedFrames_;
    std::int16_t frameDibId_ = 0; // the frame FrameDib holds the copy of; 0 for none

    // This copy's claim on the single-instance name, held while the program runs.
    std::unique_ptr<platform::InstanceClaim> instance_;
    // Set by StartDie: start-up then leaves the walk off.
    bool dying_ = false;
    // The pointer as last read: when the system cannot tell where it is (a locked desktop),
    // the walk keeps heading for where it was.
    platform::PointerPosition pointer_;
};

} // namespace pet
