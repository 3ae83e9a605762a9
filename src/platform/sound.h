// The sound device and its sound buffers: DirectSound on Windows, an in-memory model on the
// fake backend. A buffer is filled once from a PCM wave file and then rewound, played, stopped,
// panned and attenuated; volume and pan are in hundredths of a decibel, as DirectSound has them.
//
// Calls report failure by their result (`SoundResult`), never by an exception, in the same
// terms on every backend. A buffer keeps its device alive, so buffers and device may be released
// in any order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gdi/handles.h"

namespace platform {

// What a sound call came to.
enum class SoundResult {
    Ok,
    // A value out of range (a pan beyond full left or right, a volume above 0 or below
    // silence, a position past the end), or a window that is not one.
    InvalidValue,
    // Volume or pan on a buffer made without that control.
    ControlUnavailable,
    // The device refused for a reason of its own (it is gone, it has no driver, ...).
    Failed,
};

constexpr bool SoundSucceeded(SoundResult result) {
    return result == SoundResult::Ok;
}

// Cooperative levels of a sound device (DSSCL_*).
enum class CooperativeLevel : std::int32_t { Normal = 1, Priority = 2, Exclusive = 3 };

// Buffer capability flags (DSBCAPS_*).
inline constexpr std::uint32_t kBufferCtrlPan = 0x40;
inline constexpr std::uint32_t kBufferCtrlVolume = 0x80;
// The buffer keeps playing while another program's window has the focus. Without it a buffer
// falls silent whenever the window given to SetCooperativeLevel is not in the foreground.
inline constexpr std::uint32_t kBufferGlobalFocus = 0x8000;

// Play flags (DSBPLAY_*): without kPlayLooping a buffer plays once and stops at its end.
inline constexpr std::uint32_t kPlayLooping = 1;

// Volume: 0 is the sound as recorded, -10000 is silence (-100 dB).
inline constexpr std::int32_t kVolumeMin = -10000;
inline constexpr std::int32_t kVolumeMax = 0;
// Pan: -10000 is full left (right channel silenced), 0 centre, 10000 full right.
inline constexpr std::int32_t kPanLeft = -10000;
inline constexpr std::int32_t kPanRight = 10000;

// The controls of a buffer that a value is set on.
enum class SoundControl { Volume, Pan };

// What setting `control` to `value` on a buffer made with `flags` comes to, as DirectSound
// answers it: ControlUnavailable without the control's flag (kBufferCtrlVolume,
// kBufferCtrlPan), InvalidValue outside its range (kVolumeMin to kVolumeMax, kPanLeft to
// kPanRight), else Ok. The backends that do not hand the call to DirectSound check with it
// before they set anything.
constexpr SoundResult CheckSoundControl(std::uint32_t flags, SoundControl control,
                                        std::int32_t value) {
    const bool volume = control == SoundControl::Volume;
    if (!(flags & (volume ? kBufferCtrlVolume : kBufferCtrlPan))) {
        return SoundResult::ControlUnavailable;
    }
    const bool inRange = volume ? value >= kVolumeMin && value <= kVolumeMax
                                : value >= kPanLeft && value <= kPanRight;
    return inRange ? SoundResult::Ok : SoundResult::InvalidValue;
}

// What a buffer is made with besides its file: the capability flags. The buffer's size and
// sample format come from the file.
struct SoundBufferDescription {
    std::uint32_t lFlags = 0;
};

// A PCM sample format, as a wave file's format chunk gives it.
struct WaveFormat {
    std::uint16_t formatTag = 0; // 1 = PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// The sample formats a buffer can be loaded from, on every backend: integer PCM whose fields
// agree with each other, at a rate DirectSound can play (100 Hz to 200 kHz). Anything else
// (compressed or floating-point data, fields that contradict each other) is refused before the
// device sees it, so a damaged header cannot reach the mixer.
constexpr bool IsLoadablePcm(const WaveFormat& format) {
    const unsigned bits = format.bitsPerSample;
    return format.formatTag == kWaveFormatPcm && format.channels >= 1 && format.channels <= 8 &&
           (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           format.blockAlign == format.channels * bits / 8 && format.samplesPerSec >= 100 &&
           format.samplesPerSec <= 200000 &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

class SoundDevice;

// One sound buffer. Move-only; releasing it (destruction) releases the system's buffer.
// A moved-from buffer must not be used.
class SoundBuffer {
  public:
    SoundBuffer(SoundBuffer&&) noexcept;
    SoundBuffer& operator=(SoundBuffer&&) noexcept;
    ~SoundBuffer();

    // The play position in bytes from the start of the sound.
    SoundResult SetCurrentPosition(std::uint32_t position);
    // Starts playing from the current position (flags: 0 or kPlayLooping). Playing a buffer
    // that is already playing goes on from its current position: there is never a second copy.
    SoundResult Play(std::uint32_t flags);
    SoundResult Stop();
    SoundResult SetVolume(std::int32_t volume);
    SoundResult SetPan(std::int32_t pan);

    // True while the buffer plays (false once a non-looping sound has reached its end).
    bool IsPlaying() const;
    // The sample format and the length in bytes of the sound the buffer holds.
    const WaveFormat& Format() const;
    std::uint32_t Bytes() const;

    struct Impl;

  private:
    friend class SoundDevice;
    explicit SoundBuffer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A sound device. Move-only; releasing it releases the system's device once its buffers are
// gone as well.
class SoundDevice {
  public:
    SoundDevice(SoundDevice&&) noexcept;
    SoundDevice& operator=(SoundDevice&&) noexcept;
    ~SoundDevice();

    // The default sound device, or nothing when there is none (no sound server, no driver).
    // A backend may open the system's device only when the first buffer is made, as an open
    // device costs its mixing all the time; one that cannot be opened then makes no buffers.
    static std::optional<SoundDevice> CreateDefault();

    // Binds the device to a top-level window of this program.
    SoundResult SetCooperativeLevel(WindowHandle window, CooperativeLevel level);

    // A new buffer holding the sound of the wave file `fileName` (a full path), or nothing when
    // the file is missing, unreadable, truncated, not a wave file, not loadable PCM (see
    // IsLoadablePcm) or refused by the device.
    std::optional<SoundBuffer> CreateBufferFromFile(const std::string& fileName,
                                                    const SoundBufferDescription& description);

    struct Impl;

  private:
    explicit SoundDevice(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
