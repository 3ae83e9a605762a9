// The walk after the pointer: Timer1's tick, every 100 ms while the pet is alive.
#include <cmath>

#include "pet/frmJellop.h"
#include "pet/globals.h"
#include "platform/input.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "runtime/random.h"
#include "runtime/rounding.h"
#include "sound/modDS.h"

namespace pet {
namespace {

constexpr float kStepTwips = 45;
constexpr int kDeadZone = 5;
constexpr double kPanScale = 10000;
// The move sound is stopped on the ticks whose draw of floor(r * 55) gives this value.
constexpr int kRandomStopRange = 55;
constexpr int kRandomStopValue = 22;

std::int16_t Sign(std::int16_t value) {
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

// The window's horizontal and vertical distance from its centre to the pointer, in whole
// pixels (halves to even).
std::int16_t Distance(std::int32_t pointer, float start, float size, float twipsPerPixel) {
    double centre = (static_cast<double>(start) + static_cast<double>(size) / 2) /
                    static_cast<double>(twipsPerPixel);
    return runtime::RoundToInt16(static_cast<double>(pointer) - centre);
}

} // namespace

std::int32_t frmJellop::SoundPan() const {
    float screenWidth =
        static_cast<float>(platform::GetScreenSize().width) * runtime::TwipsPerPixelX();
    double left = Left();
    double width = screenWidth;
    // (left - width / 2) / width * 10000, scaled before the division: every other step is
    // exact, so a pan exactly halfway between two integers stays a tie and rounds to even.
    // Dividing first can turn 212.5 into 212.50000000000003, which rounds up.
    return runtime::RoundToInt32((left - width / 2) * kPanScale / width);
}

void frmJellop::PlayPannedSound(std::optional<modDX::DirectSoundBuffer>& buffer) {
    try {
        buffer->SetPan(SoundPan());
    } catch (const runtime::Error&) {
        // The sound plays with its previous pan.
    }
    modDS::PlaySoundBuffer(buffer, false);
}

void frmJellop::Timer1_Timer() {
    // 1. Where the pointer is; if the system cannot tell, the last position read stands.
    platform::GetCursorPos(pointer_);
    const platform::PointerPosition pointer = pointer_;

    // 2.-3. The next frame; the move sound starts on the second frame of every cycle.
    CurrentFrame = runtime::CheckedAdd<std::int16_t>(CurrentFrame, 1);
    if (CurrentFrame - SeriesBase == 1 && SoundsEnabled != 0 && modDS::MoveSoundBuffer) {
        PlayPannedSound(modDS::MoveSoundBuffer);
    }

    // 4. Back to the start of the cycle.
    if (CurrentFrame > SeriesBase + 3) {
        CurrentFrame = SeriesBase;
    }

    // 5.-7. Step towards the pointer on each axis where it is at least 5 pixels away.
    std::int16_t h = Distance(pointer.x, Left(), Width(), runtime::TwipsPerPixelX());
    std::int16_t v = Distance(pointer.y, Top(), Height(), runtime::TwipsPerPixelY());
    StepX = Sign(h);
    StepY = Sign(v);
    if (std::abs(static_cast<int>(h)) < kDeadZone) {
        StepX = 0;
    }
    if (std::abs(static_cast<int>(v)) < kDeadZone) {
        StepY = 0;
    }

    // 8. The position in the cycle.
    auto k = static_cast<std::int16_t>(CurrentFrame - SeriesBase);

    // 9. The random stop of the move sound, drawn on every tick.
    if (static_cast<int>(std::floor(runtime::Random() * kRandomStopRange)) == kRandomStopValue) {
        modDS::StopSoundBuffer(modDS::MoveSoundBuffer);
    }

    // 10. The walking series of the diagonal; a step on one axis only keeps the series.
    if (StepX < 0) {
        if (StepY > 0) {
            SeriesBase = 101;
        } else if (StepY < 0) {
            SeriesBase = 121;
        }
    } else if (StepX > 0) {
        if (StepY > 0) {
            SeriesBase = 111;
        } else if (StepY < 0) {
            SeriesBase = 131;
        }
    }

    // 11.-13. Same position in the (new) cycle; the step; the frame. The step and the frame
    // reach the screen as one change.
    CurrentFrame = static_cast<std::int16_t>(k + SeriesBase);
    platform::WindowUpdateBatch batch(hWnd());
    Move(Left() + static_cast<float>(StepX) * kStepTwips,
         Top() + static_cast<float>(StepY) * kStepTwips);
    ShowFrame(CurrentFrame, 0, 0);
}

} // namespace pet
