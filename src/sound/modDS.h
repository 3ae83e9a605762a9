// modDS: the pet's two sound effects, the movement sound and the death sound, each in its own
// buffer loaded once from a wave file beside the executable. Either buffer may be absent (no
// sound device, file missing or unusable): callers test it before use.
#pragma once

#include <optional>

#include "platform/sound.h"
#include "sound/modDX.h"

namespace modDS {

// "jellop_move.wav" and "jellop_die.wav", looked up in the executable's directory only.
inline constexpr const char* kMoveSoundFile = "\\jellop_move.wav";
inline constexpr const char* kDieSoundFile = "\\jellop_die.wav";

extern std::optional<modDX::DirectSoundBuffer> MoveSoundBuffer;
extern std::optional<modDX::DirectSoundBuffer> DieSoundBuffer;

// The descriptions the two buffers are made with; LoadSounds fills them in. There is no wave
// format to pass beside them: each buffer takes its sample format and size from its file.
extern platform::SoundBufferDescription MoveBufferDesc;
extern platform::SoundBufferDescription DieBufferDesc;

// The capabilities of both buffers: pan and volume control, and global focus so that the
// effects keep playing while another program's window has the focus (the pet window never
// takes it).
inline constexpr std::uint32_t kEffectBufferFlags =
    platform::kBufferCtrlPan | platform::kBufferCtrlVolume | platform::kBufferGlobalFocus;

// Loads MoveSoundBuffer, then DieSoundBuffer. Never raises and never shows anything.
void LoadSounds();

// Rewinds `buffer` and plays it, once or looping. The buffer must exist: an absent one raises
// error 91. A sound still playing restarts from its beginning. Refusals raise numbered errors.
void PlaySoundBuffer(std::optional<modDX::DirectSoundBuffer>& buffer, bool looping);

// Stops `buffer`; does nothing when it is absent.
void StopSoundBuffer(std::optional<modDX::DirectSoundBuffer>& buffer);

} // namespace modDS
