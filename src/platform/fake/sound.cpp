// Sound on the fake backend: devices and buffers kept in memory, files from a registry the
// tests fill, playback followed on the virtual clock.
#include "platform/sound.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "platform/app.h"
#include "platform/fake/fake_sound.h"

namespace platform {
namespace {

// File names as Windows compares them.
std::string PathKey(const std::string& path) {
    std::string key = path;
    for (char& c : key) {
        c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

struct DeviceState {
    fake::FakeSoundDevice record;
};

// The device's life: it ends when the SoundDevice and every buffer made from it are gone.
struct DeviceCore {
    std::shared_ptr<DeviceState> state;
    ~DeviceCore() { state->record.released = true; }
};

struct BufferState {
    fake::FakeSoundBuffer record; // position and playing as of `since`
    std::uint32_t since = 0;      // the tick at which `record` was last brought up to date

    // Moves the play position on to the virtual clock's present; a buffer playing once stops
    // at its end and is rewound, a looping one wraps.
    void CatchUp() {
        std::uint32_t now = TickCount();
        if (record.playing && record.bytes > 0) {
            std::uint64_t advanced =
                std::uint64_t{now - since} * record.format.avgBytesPerSec / 1000;
            std::uint64_t position = record.position + advanced;
            if (record.looping) {
                record.position = static_cast<std::uint32_t>(position % record.bytes);
            } else if (position >= record.bytes) {
                record.position = 0;
                record.playing = false;
            } else {
                record.position = static_cast<std::uint32_t>(position);
            }
        }
        since = now;
    }
};

struct SoundState {
    bool deviceAvailable = true;
    std::map<std::string, fake::SoundFile> files; // by PathKey
    std::vector<fake::SoundEvent> events;
    std::vector<std::shared_ptr<DeviceState>> devices;
    std::vector<std::shared_ptr<BufferState>> buffers;
};

// Never destroyed: buffers held in the program's globals may outlive every other static.
SoundState& State() {
    static SoundState* state = new SoundState;
    return *state;
}

// Ids stay unique across resets, so a buffer kept from before a reset is never confused with
// a new one.
int NextId() {
    static int next = 0;
    return ++next;
}

fake::SoundEvent MakeEvent(fake::SoundCall call) {
    fake::SoundEvent event;
    event.call = call;
    return event;
}

SoundResult Record(fake::SoundEvent event) {
    State().events.push_back(event);
    return event.result;
}

} // namespace

struct SoundDevice::Impl {
    std::shared_ptr<DeviceCore> core;
};

struct SoundBuffer::Impl {
    std::shared_ptr<DeviceCore> device; // keeps the device alive, as DirectSound needs
    std::shared_ptr<BufferState> state;
    ~Impl() {
        if (state) {
            state->CatchUp();
            state->record.playing = false;
            state->record.released = true;
        }
    }
};

// ---- SoundBuffer ----

SoundBuffer::SoundBuffer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundBuffer::SoundBuffer(SoundBuffer&&) noexcept = default;
SoundBuffer& SoundBuffer::operator=(SoundBuffer&&) noexcept = default;
SoundBuffer::~SoundBuffer() = default;

namespace {

fake::SoundEvent BufferEvent(fake::SoundCall call, const BufferState& state, std::int64_t value) {
    fake::SoundEvent event = MakeEvent(call);
    event.device = state.record.device;
    event.buffer = state.record.id;
    event.value = value;
    return event;
}

// Sets the buffer's volume or pan to `value` if the buffer takes it; the call is recorded
// either way.
SoundResult SetControl(BufferState& state, SoundControl control, std::int32_t value) {
    const bool volume = control == SoundControl::Volume;
    auto event =
        BufferEvent(volume ? fake::SoundCall::SetVolume : fake::SoundCall::SetPan, state, value);
    event.result = CheckSoundControl(state.record.flags, control, value);
    if (event.result == SoundResult::Ok) {
        (volume ? state.record.volume : state.record.pan) = value;
    }
    return Record(event);
}

} // namespace

SoundResult SoundBuffer::SetCurrentPosition(std::uint32_t position) {
    BufferState& state = *impl_->state;
    auto event = BufferEvent(fake::SoundCall::SetCurrentPosition, state, position);
    state.CatchUp();
    if (position >= state.record.bytes) {
        event.result = SoundResult::InvalidValue;
    } else {
        state.record.position = position;
    }
    return Record(event);
}

SoundResult SoundBuffer::Play(std::uint32_t flags) {
    BufferState& state = *impl_->state;
    state.CatchUp();
    state.record.playing = true;
    state.record.looping = (flags & kPlayLooping) != 0;
    ++state.record.plays;
    return Record(BufferEvent(fake::SoundCall::Play, state, flags));
}

SoundResult SoundBuffer::Stop() {
    BufferState& state = *impl_->state;
    state.CatchUp();
    state.record.playing = false;
    ++state.record.stops;
    return Record(BufferEvent(fake::SoundCall::Stop, state, 0));
}

SoundResult SoundBuffer::SetVolume(std::int32_t volume) {
    return SetControl(*impl_->state, SoundControl::Volume, volume);
}

SoundResult SoundBuffer::SetPan(std::int32_t pan) {
    return SetControl(*impl_->state, SoundControl::Pan, pan);
}

bool SoundBuffer::IsPlaying() const {
    impl_->state->CatchUp();
    return impl_->state->record.playing;
}

const WaveFormat& SoundBuffer::Format() const {
    return impl_->state->record.format;
}

std::uint32_t SoundBuffer::Bytes() const {
    return impl_->state->record.bytes;
}

// ---- SoundDevice ----

SoundDevice::SoundDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundDevice::SoundDevice(SoundDevice&&) noexcept = default;
SoundDevice& SoundDevice::operator=(SoundDevice&&) noexcept = default;
SoundDevice::~SoundDevice() = default;

std::optional<SoundDevice> SoundDevice::CreateDefault() {
    fake::SoundEvent event = MakeEvent(fake::SoundCall::CreateDevice);
    if (!State().deviceAvailable) {
        event.result = SoundResult::Failed;
        Record(event);
        return std::nullopt;
    }
    auto state = std::make_shared<DeviceState>();
    state->record.id = NextId();
    State().devices.push_back(state);
    event.device = state->record.id;
    Record(event);
    auto impl = std::make_unique<Impl>();
    impl->core = std::make_shared<DeviceCore>(DeviceCore{state});
    return SoundDevice(std::move(impl));
}

SoundResult SoundDevice::SetCooperativeLevel(WindowHandle window, CooperativeLevel level) {
    DeviceState& state = *impl_->core->state;
    fake::SoundEvent event = MakeEvent(fake::SoundCall::SetCooperativeLevel);
    event.device = state.record.id;
    event.window = window;
    event.value = static_cast<std::int64_t>(level);
    if (IsNull(window) || level < CooperativeLevel::Normal || level > CooperativeLevel::Exclusive) {
        event.result = SoundResult::InvalidValue;
    } else {
        state.record.window = window;
        state.record.level = level;
    }
    return Record(event);
}

std::optional<SoundBuffer>
SoundDevice::CreateBufferFromFile(const std::string& fileName,
                                  const SoundBufferDescription& description) {
    fake::SoundEvent event = MakeEvent(fake::SoundCall::CreateBuffer);
    event.device = impl_->core->state->record.id;
    event.file = fileName;
    event.value = description.lFlags;
    auto found = State().files.find(PathKey(fileName));
    if (found == State().files.end()) {
        event.result = SoundResult::Failed;
        Record(event);
        return std::nullopt;
    }
    const fake::SoundFile& file = found->second;
    std::uint32_t bytes = 0;
    if (file.format && IsLoadablePcm(*file.format)) {
        bytes = file.dataBytes - file.dataBytes % file.format->blockAlign;
    }
    if (bytes < 4) { // not a wave, not loadable PCM, or too short for DirectSound (DSBSIZE_MIN)
        event.result = SoundResult::Failed;
        Record(event);
        return std::nullopt;
    }

    auto state = std::make_shared<BufferState>();
    state->record.id = NextId();
    state->record.device = event.device;
    state->record.file = fileName;
    state->record.flags = description.lFlags;
    state->record.format = *file.format;
    state->record.bytes = bytes;
    state->since = TickCount();
    State().buffers.push_back(state);
    event.buffer = state->record.id;
    Record(event);

    auto impl = std::make_unique<SoundBuffer::Impl>();
    impl->device = impl_->core;
    impl->state = std::move(state);
    return SoundBuffer(std::move(impl));
}

// ---- test controls ----

namespace fake {

SoundFile PcmWaveFile(std::uint16_t channels, std::uint32_t samplesPerSec,
                      std::uint16_t bitsPerSample, std::uint32_t milliseconds) {
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = channels;
    format.samplesPerSec = samplesPerSec;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    format.avgBytesPerSec = samplesPerSec * format.blockAlign;
    auto frames = static_cast<std::uint32_t>(std::uint64_t{samplesPerSec} * milliseconds / 1000);
    return SoundFile{format, frames * format.blockAlign};
}

SoundFile NotAWaveFile() {
    return SoundFile{std::nullopt, 0};
}

void PutSoundFile(const std::string& path, SoundFile file) {
    State().files[PathKey(path)] = file;
}

void RemoveSoundFile(const std::string& path) {
    State().files.erase(PathKey(path));
}

void SetSoundDeviceAvailable(bool available) {
    State().deviceAvailable = available;
}

const std::vector<SoundEvent>& SoundEvents() {
    return State().events;
}

void ClearSoundEvents() {
    State().events.clear();
}

std::vector<FakeSoundDevice> SoundDevices() {
    std::vector<FakeSoundDevice> devices;
    for (const auto& device : State().devices) {
        devices.push_back(device->record);
    }
    return devices;
}

std::vector<FakeSoundBuffer> SoundBuffers() {
    std::vector<FakeSoundBuffer> buffers;
    for (const auto& buffer : State().buffers) {
        buffer->CatchUp();
        buffers.push_back(buffer->record);
    }
    return buffers;
}

std::optional<FakeSoundBuffer> SoundBufferFromFile(const std::string& path) {
    std::optional<FakeSoundBuffer> found;
    for (const auto& buffer : SoundBuffers()) {
        if (PathKey(buffer.file) == PathKey(path)) {
            found = buffer;
        }
    }
    return found;
}

void ResetSound() {
    SoundState& state = State();
    state = SoundState{};
}

} // namespace fake
} // namespace platform
