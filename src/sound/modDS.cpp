#include "sound/modDS.h"

#include "platform/app.h"
#include "runtime/error.h"

namespace modDS {

std::optional<modDX::DirectSoundBuffer> MoveSoundBuffer;
std::optional<modDX::DirectSoundBuffer> DieSoundBuffer;
platform::SoundBufferDescription MoveBufferDesc;
platform::SoundBufferDescription DieBufferDesc;

namespace {

constexpr std::int32_t kErrObjectNotSet = 91;

} // namespace

void LoadSounds() {
    MoveBufferDesc.lFlags = kEffectBufferFlags;
    DieBufferDesc.lFlags = kEffectBufferFlags;
    // The directory is read afresh for each file; never the current directory.
    modDX::CreateBufferFromFile(MoveSoundBuffer, platform::ExecutableDirectory() + kMoveSoundFile,
                                MoveBufferDesc);
    modDX::CreateBufferFromFile(DieSoundBuffer, platform::ExecutableDirectory() + kDieSoundFile,
                                DieBufferDesc);
}

void PlaySoundBuffer(std::optional<modDX::DirectSoundBuffer>& buffer, bool looping) {
    if (!buffer) {
        runtime::Raise(kErrObjectNotSet, "Object variable or With block variable not set");
    }
    buffer->SetCurrentPosition(0);
    buffer->Play(looping ? platform::kPlayLooping : 0);
}

void StopSoundBuffer(std::optional<modDX::DirectSoundBuffer>& buffer) {
    if (buffer) {
        buffer->Stop();
    }
}

} // namespace modDS
