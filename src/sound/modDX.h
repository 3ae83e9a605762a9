// modDX: the DirectSound device and the making of sound buffers.
//
// C++ DirectSound has no root automation object to create first: the device is made directly
// by SoundDevice::CreateDefault (DirectSoundCreate8), so `InitDirectSound` does both steps of
// creating the root and the device in one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "gdi/handles.h"
#include "platform/sound.h"

namespace modDX {

// The numbers of the errors a refused sound call raises: the automation error codes of an
// invalid argument (for example a pan outside -10000..10000), of a control the buffer was made
// without, and of any other refusal.
inline constexpr std::int32_t kErrInvalidArgument = static_cast<std::int32_t>(0x80070057u);
inline constexpr std::int32_t kErrControlUnavailable = static_cast<std::int32_t>(0x8878001Eu);
inline constexpr std::int32_t kErrSoundFailed = static_cast<std::int32_t>(0x80004005u);

// A DirectSound buffer as the program uses it. Unlike the platform buffer beneath it, every
// operation raises a numbered error (runtime::Error) when the system refuses it.
class DirectSoundBuffer {
  public:
    explicit DirectSoundBuffer(platform::SoundBuffer buffer) : buffer_(std::move(buffer)) {}

    void SetCurrentPosition(std::uint32_t lPosition);
    // lFlags: 0 (play once) or platform::kPlayLooping.
    void Play(std::uint32_t lFlags);
    void Stop();
    // Hundredths of a decibel: 0 is full volume, -10000 silence.
    void SetVolume(std::int32_t lVolume);
    // Hundredths of a decibel of attenuation of one side: -10000 full left, 10000 full right.
    void SetPan(std::int32_t lPan);

    bool IsPlaying() const { return buffer_.IsPlaying(); }
    const platform::WaveFormat& Format() const { return buffer_.Format(); }
    std::uint32_t Bytes() const { return buffer_.Bytes(); }

  private:
    platform::SoundBuffer buffer_;
};

// The default sound device; empty until InitDirectSound succeeds, and for good when it fails.
extern std::optional<platform::SoundDevice> SoundDevice;

// Creates SoundDevice. Silent on failure (no sound server, no driver): SoundDevice stays empty.
void InitDirectSound();

// Binds SoundDevice to the pet window at cooperative level 3 (exclusive). Does nothing when
// SoundDevice is empty. A refusal raises a numbered error.
void SetSoundWindow(platform::WindowHandle hWnd);

// Sets `target` to a new buffer holding the sound of the wave file `sFileName`, or empties it
// on any failure (no device, file missing, unreadable or not loadable PCM). Never raises.
void CreateBufferFromFile(std::optional<DirectSoundBuffer>& target, const std::string& sFileName,
                          const platform::SoundBufferDescription& desc);

} // namespace modDX
