#include "sound/modDX.h"

#include <cstdio>
#include <exception>

#include "runtime/error.h"

namespace modDX {

std::optional<platform::SoundDevice> SoundDevice;

namespace {

// The numbers of the automation errors a refused sound call raises, as DirectSound's own
// automation interfaces report them: invalid argument, control unavailable, unspecified failure.
std::int32_t ErrorNumber(platform::SoundResult result) {
    switch (result) {
    case platform::SoundResult::InvalidValue:
        return kErrInvalidArgument;
    case platform::SoundResult::ControlUnavailable:
        return kErrControlUnavailable;
    default:
        return kErrSoundFailed;
    }
}

// Raises a refused sound call as a numbered error.
void Check(platform::SoundResult result, const char* operation) {
    if (platform::SoundSucceeded(result)) {
        return;
    }
    std::int32_t number = ErrorNumber(result);
    char message[96];
    std::snprintf(message, sizeof message, "Automation error: %s failed (0x%08X)", operation,
                  static_cast<unsigned>(number));
    runtime::Raise(number, message);
}

} // namespace

void DirectSoundBuffer::SetCurrentPosition(std::uint32_t lPosition) {
    Check(buffer_.SetCurrentPosition(lPosition), "SetCurrentPosition");
}

void DirectSoundBuffer::Play(std::uint32_t lFlags) {
    Check(buffer_.Play(lFlags), "Play");
}

void DirectSoundBuffer::Stop() {
    Check(buffer_.Stop(), "Stop");
}

void DirectSoundBuffer::SetVolume(std::int32_t lVolume) {
    Check(buffer_.SetVolume(lVolume), "SetVolume");
}

void DirectSoundBuffer::SetPan(std::int32_t lPan) {
    Check(buffer_.SetPan(lPan), "SetPan");
}

void InitDirectSound() {
    // Sound is optional: whatever goes wrong here leaves the program silent, not stopped.
    try {
        if (auto device = platform::SoundDevice::CreateDefault()) {
            SoundDevice = std::move(device);
        }
    } catch (const std::exception&) {
    }
}

void SetSoundWindow(platform::WindowHandle hWnd) {
    if (!SoundDevice) {
        return;
    }
    Check(SoundDevice->SetCooperativeLevel(hWnd, platform::CooperativeLevel::Exclusive),
          "SetCooperativeLevel");
}

void CreateBufferFromFile(std::optional<DirectSoundBuffer>& target, const std::string& sFileName,
                          const platform::SoundBufferDescription& desc) {
    if (!SoundDevice) {
        return;
    }
    try {
        if (auto buffer = SoundDevice->CreateBufferFromFile(sFileName, desc)) {
            target.emplace(std::move(*buffer));
            return;
        }
    } catch (const std::exception&) {
        // std::bad_alloc and the like: the sound is simply not there
    }
    target.reset();
}

} // namespace modDX
