// Test controls of the fake backend's sound: the files its loader can see, whether a sound
// device exists, and the record of everything done with devices and buffers.
//
// The fake behaves like DirectSound: it refuses what DirectSound refuses (volume outside
// -10000..0, pan outside -10000..10000, a control the buffer was not created with, a position
// past the end, a null window) with the same codes, and a buffer that plays once stops by
// itself when the virtual clock (platform::Sleep, fake::AdvanceClock) passes its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gdi/handles.h"
#include "platform/sound.h"

namespace platform::fake {

// A file as the fake loader sees it: a wave file with its sample format and the length of its
// sound data, or (no format) a file that exists but is not a wave file.
struct SoundFile {
    std::optional<WaveFormat> format;
    std::uint32_t dataBytes = 0;
};

// A PCM wave file of `milliseconds` of sound.
SoundFile PcmWaveFile(std::uint16_t channels, std::uint32_t samplesPerSec,
                      std::uint16_t bitsPerSample, std::uint32_t milliseconds);
// A file that is there but holds no wave (a text file, say).
SoundFile NotAWaveFile();

// Makes a file visible to the loader under a full path. Paths compare as on Windows: without
// regard to case, and '/' the same as '\'.
void PutSoundFile(const std::string& path, SoundFile file);
void RemoveSoundFile(const std::string& path);

// Whether SoundDevice::CreateDefault finds a device (by default it does).
void SetSoundDeviceAvailable(bool available);

enum class SoundCall {
    CreateDevice,
    SetCooperativeLevel,
    CreateBuffer,
    SetCurrentPosition,
    Play,
    Stop,
    SetVolume,
    SetPan,
};

// One call made on the sound backend, in order, failed calls included.
struct SoundEvent {
    SoundCall call = SoundCall::CreateDevice;
    int device = 0;         // the device the call was made on (CreateDevice: the new one, or 0)
    int buffer = 0;         // the buffer (CreateBuffer: the new one, or 0 when the load failed)
    std::int64_t value = 0; // level, position, play flags, volume or pan; lFlags for CreateBuffer
    WindowHandle window{};  // SetCooperativeLevel
    std::string file;       // CreateBuffer
    SoundResult result = SoundResult::Ok;
};

const std::vector<SoundEvent>& SoundEvents();
void ClearSoundEvents();

struct FakeSoundDevice {
    int id = 0;
    WindowHandle window{}; // as last set by a successful SetCooperativeLevel
    std::optional<CooperativeLevel> level;
    bool released = false;
};

struct FakeSoundBuffer {
    int id = 0;
    int device = 0;
    std::string file;
    std::uint32_t flags = 0;
    WaveFormat format;
    std::uint32_t bytes = 0;
    std::int32_t volume = 0;
    std::int32_t pan = 0;
    std::uint32_t position = 0; // the play position now, in bytes
    bool playing = false;       // now, by the virtual clock
    bool looping = false;
    int plays = 0;
    int stops = 0;
    bool released = false;
};

// Every device and buffer made since the last reset, in order of creation, as they are now.
std::vector<FakeSoundDevice> SoundDevices();
std::vector<FakeSoundBuffer> SoundBuffers();
// The buffer last loaded from `path` (compared as PutSoundFile compares), if any.
std::optional<FakeSoundBuffer> SoundBufferFromFile(const std::string& path);

// Forgets files, devices, buffers and events, and makes the device available again. Objects
// still held by the program keep working but are no longer listed.
void ResetSound();

} // namespace platform::fake
