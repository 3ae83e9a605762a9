// The death: StartDie and Timer2's steps 141 to 147.
#include "pet/frmJellop.h"
#include "pet/globals.h"
#include "runtime/rounding.h"
#include "sound/modDS.h"

namespace pet {
namespace {

constexpr std::int16_t kDeathCounterStart = 140;
constexpr std::uint32_t kFinalHoldInterval = 2000;

} // namespace

void frmJellop::StartDie() {
    dying_ = true;
    Timer1.SetEnabled(false);
    CurrentFrame = kDeathCounterStart;
    SeriesBase = kDeathCounterStart;
    Timer2.SetEnabled(true);
}

void frmJellop::Timer2_Timer() {
    CurrentFrame = runtime::CheckedAdd<std::int16_t>(CurrentFrame, 1);
    switch (CurrentFrame) {
    case 141:
        // The death sound; the frame of the last walk tick stays on screen.
        if (modDS::DieSoundBuffer && SoundsEnabled != 0) {
            PlayPannedSound(modDS::DieSoundBuffer);
        }
        break;
    case 142:
        ShowFrame(CurrentFrame, -10, -10);
        break;
    case 143:
        ShowFrame(CurrentFrame, -5, -5);
        break;
    case 144:
    case 145:
        ShowFrame(CurrentFrame, 0, 0);
        break;
    case 146:
        ShowFrame(CurrentFrame, 0, 40);
        Timer2.SetInterval(kFinalHoldInterval);
        break;
    case 147:
        Timer2.SetEnabled(false);
        Unload();
        break;
    default:
        ShowFrame(CurrentFrame, 0, 0);
        break;
    }
}

} // namespace pet
