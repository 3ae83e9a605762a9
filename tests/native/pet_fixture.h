// A pet on the fake platform, in virtual time: the program's own module with every frame, the
// two sound files beside the executable, a 1280 x 1024 screen at 96 DPI, and helpers to read
// what the window system and the sound device were asked to do.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fake_platform_reset.h"
#include "pet/forms.h"
#include "pet/frmJellop.h"
#include "pet/frmMenu.h"
#include "pet/globals.h"
#include "pet/modLayered.h"
#include "platform/app.h"
#include "platform/window.h"
#include "runtime/program.h"
#include "sound/modDS.h"
#include "sound/modDX.h"

namespace testing_support {

inline constexpr const char* kMoveSoundPath = "C:\\Program Files\\Jellop\\jellop_move.wav";
inline constexpr const char* kDieSoundPath = "C:\\Program Files\\Jellop\\jellop_die.wav";
inline constexpr std::uint32_t kFadeInEnd = 520; // 52 steps of 10 ms

class PetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPetState();
        PutSounds(true, true);
        // On the centre of frame 101 where it first appears: the pet stays put.
        platform::fake::SetCursorPos(446, 338);
        forms_ = std::make_unique<pet::PetForms>();
    }

    void TearDown() override {
        forms_.reset();
        ResetPetState();
    }

    static void ResetPetState() {
        ResetFakePlatform();
        modDS::MoveSoundBuffer.reset();
        modDS::DieSoundBuffer.reset();
        modDX::SoundDevice.reset();
        modLayered::LayeredSupported = false;
        pet::SoundsEnabled = pet::kFalse;
    }

    static void PutSounds(bool move, bool die) {
        platform::fake::RemoveSoundFile(kMoveSoundPath);
        platform::fake::RemoveSoundFile(kDieSoundPath);
        if (move) {
            platform::fake::PutSoundFile(kMoveSoundPath,
                                         platform::fake::PcmWaveFile(1, 22050, 16, 300));
        }
        if (die) {
            platform::fake::PutSoundFile(kDieSoundPath,
                                         platform::fake::PcmWaveFile(1, 22050, 16, 1500));
        }
    }

    // Loads the pet window: the whole start-up, fade-in included, in virtual time.
    pet::frmJellop& Start() {
        pet::Jellop().Load();
        return pet::Jellop();
    }

    static pet::frmJellop& Pet() { return pet::Jellop(); }
    static platform::WindowHandle PetWindow() { return pet::Jellop().hWnd(); }
    static platform::PixelRect PetRect() { return platform::GetWindowRect(PetWindow()); }
    static const platform::fake::WindowState& PetState() {
        return *platform::fake::FindWindowState(PetWindow());
    }

    // The pointer this many pixels from the pet window's centre (halves allowed: the centre
    // of an odd-sized frame lies on a half pixel).
    static void PointerFromCentre(double dx, double dy) {
        platform::PixelRect rect = PetRect();
        double cx = rect.left + rect.Width() / 2.0;
        double cy = rect.top + rect.Height() / 2.0;
        platform::fake::SetCursorPos(static_cast<std::int32_t>(cx + dx),
                                     static_cast<std::int32_t>(cy + dy));
    }

    // Sound calls of one kind made on the buffer loaded from `path`, in order.
    static std::vector<platform::fake::SoundEvent> SoundCalls(const char* path,
                                                              platform::fake::SoundCall call) {
        std::vector<platform::fake::SoundEvent> found;
        auto buffer = platform::fake::SoundBufferFromFile(path);
        if (!buffer) {
            return found;
        }
        for (const auto& event : platform::fake::SoundEvents()) {
            if (event.buffer == buffer->id && event.call == call) {
                found.push_back(event);
            }
        }
        return found;
    }

    static std::size_t Plays(const char* path) {
        return SoundCalls(path, platform::fake::SoundCall::Play).size();
    }

    std::unique_ptr<pet::PetForms> forms_;
};

} // namespace testing_support
