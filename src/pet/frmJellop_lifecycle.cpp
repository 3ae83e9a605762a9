// The pet window's load event (start-up) and unload event (shutdown).
#include "pet/forms.h"
#include "pet/frmJellop.h"
#include "pet/globals.h"
#include "pet/modLayered.h"
#include "platform/app.h"
#include "runtime/program.h"
#include "sound/modDS.h"
#include "sound/modDX.h"

namespace pet {
namespace {

constexpr std::int32_t kEffectVolume = -1500; // 15 dB below the recording
constexpr std::int32_t kNoColourKey = -1;
constexpr std::uint32_t kFadeStepSleep = 10;

} // namespace

void frmJellop::Form_Load() {
    // 1. A second copy ends at once: nothing shown, no unload processing.
    instance_ = std::make_unique<platform::InstanceClaim>(kInstanceName);
    if (instance_->AnotherInstanceRunning()) {
        runtime::End();
    }
    // 2.-7. Window effects and sound.
    modLayered::DetectLayeredSupport();
    SoundsEnabled = kTrue;
    modDX::InitDirectSound();
    modDX::SetSoundWindow(hWnd());
    modDS::LoadSounds();
    if (modDS::MoveSoundBuffer) {
        modDS::MoveSoundBuffer->SetVolume(kEffectVolume);
    }
    if (modDS::DieSoundBuffer) {
        modDS::DieSoundBuffer->SetVolume(kEffectVolume);
    }
    // 8.-9. The standing frame gives the window its first size and shape.
    ShowFrame(101, 0, 0);
    SeriesBase = 101;
    CurrentFrame = 101;
    // 10.-12. Shown, above other windows, translucent.
    Show();
    modLayered::SetTopmost(*this, true);
    modLayered::SetLayeredStyle(hWnd(), true);
    // 13. Fade-in: alpha 0, 5, ..., 255; messages are handled between the steps.
    for (std::int16_t alpha = 0; alpha <= 255; alpha += 5) {
        modLayered::SetWindowAlpha(hWnd(), kNoColourKey, static_cast<std::uint8_t>(alpha));
        platform::Sleep(kFadeStepSleep);
        runtime::DoEvents();
    }
    // 14. The living pet is shaped by its region only.
    modLayered::SetLayeredStyle(hWnd(), false);
    // 15. The walk starts, unless a death request came in during the fade: the death then
    // runs alone, as it does whenever the walk is stopped.
    if (!dying_) {
        Timer1.SetEnabled(true);
    }
}

void frmJellop::Form_Unload() {
    // 1.-2. Fade-out: alpha 255, 253, ..., 1; messages are handled between the steps.
    modLayered::SetLayeredStyle(hWnd(), true);
    for (std::int16_t alpha = 255; alpha >= 0; alpha -= 2) {
        modLayered::SetWindowAlpha(hWnd(), kNoColourKey, static_cast<std::uint8_t>(alpha));
        platform::Sleep(kFadeStepSleep);
        runtime::DoEvents();
    }
    // 3.-5. Out of the topmost band, hidden, no longer layered. The topmost change shows the
    // window (its flags always do), so it is made while the window is still faded out and
    // before the hide, never after it: the pet must not come back at full opacity once its
    // fade-out is over.
    modLayered::SetTopmost(*this, false);
    Hide();
    modLayered::SetLayeredStyle(hWnd(), false);
    // 6. The menu window goes with the pet window.
    UnloadMenu();
    // 7. The window loses its shape and the region is destroyed.
    if (!FrameRegion) {
        FrameRegion = std::make_unique<imaging::cDIBSectionRegion>();
    }
    FrameRegion->Applied(hWnd(), false);
    FrameRegion->Destroy();
    FrameRegion.reset();
}

} // namespace pet
