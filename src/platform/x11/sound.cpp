// Sound through PulseAudio's client library. A buffer holds its samples in the program; its
// playback stream to the server is made when it first plays and kept: fed from the program's
// loop (PollWithSound) up to a second ahead while the buffer plays, and corked (the server
// mixes nothing of it) once stopped or once a sound played once has drained. Making a stream
// is the server's most costly request (a new input with its resampler and stored settings); a
// pet that plays its move sound every 400 ms would make one each time.
#include "platform/sound.h"

#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/x11/sound/connection.h"
#include "platform/x11/sound/wave_file.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The results this backend gives, in the contract's terms.
constexpr SoundResult kOk = SoundResult::Ok;
constexpr SoundResult kInvalidParam = SoundResult::InvalidValue;

// The latency asked of the server, the stream's buffer and the sink's together. The server
// keeps about half of it, less twice the smallest request, in the sink: 200 ms with 60 ms
// requests puts 40 ms there. That part is what a stopped or restarted sound may still be heard
// for where the server cannot take back what it has mixed (rewinds); what waits in the stream's
// buffer goes with a flush. The stream asks for more each time 60 ms of it has played, and
// each request wakes the program's loop. (Requests of half the latency would leave the sink
// nothing: it would run at its smallest latency and wake the server every half millisecond
// while a stream plays.)
constexpr pa_usec_t kLatencyUsec = 200 * 1000;
constexpr pa_usec_t kRequestUsec = 60 * 1000;
// How much of the sound the stream is given at a time, beyond what the server asks for: a short
// sound all at once, so that it plays on to its end even while the program's loop is kept
// from feeding it (a slow tick, a wait of its own). What is queued but not yet mixed goes with
// the stream when it is closed, so a stop is no later for it.
constexpr pa_usec_t kAheadUsec = 1000 * 1000;
constexpr std::size_t kAheadMaxBytes = 1 << 20; // well below the server's queue limit (4 MB)

pa_sample_format_t SampleFormat(std::uint16_t bitsPerSample) {
    switch (bitsPerSample) {
    case 8:
        return PA_SAMPLE_U8;
    case 16:
        return PA_SAMPLE_S16LE;
    case 24:
        return PA_SAMPLE_S24LE;
    default:
        return PA_SAMPLE_S32LE;
    }
}

// Each of `count` samples of `bytes` bytes (1 to 4) copied to both sides of a stereo frame;
// the sample size a constant in each loop, so that a copy is a move, not a call.
template <std::size_t Bytes>
void ToBothSidesOf(const std::uint8_t* from, std::uint8_t* to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, from += Bytes, to += 2 * Bytes) {
        std::memcpy(to, from, Bytes);
        std::memcpy(to + Bytes, from, Bytes);
    }
}

void ToBothSides(const std::uint8_t* from, std::uint8_t* to, std::size_t count, std::size_t bytes) {
    switch (bytes) {
    case 1:
        return ToBothSidesOf<1>(from, to, count);
    case 2:
        return ToBothSidesOf<2>(from, to, count);
    case 3:
        return ToBothSidesOf<3>(from, to, count);
    default:
        return ToBothSidesOf<4>(from, to, count);
    }
}

bool OnTheLeft(pa_channel_position_t position) {
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
        return true;
    default:
        return false;
    }
}

bool OnTheRight(pa_channel_position_t position) {
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return true;
    default:
        return false;
    }
}

// Volume and pan, in hundredths of a decibel, as each channel's volume. The pan attenuates the
// other side: a positive pan the channels on the left, a negative one those on the right.
// 100 dB down is silence.
pa_cvolume ChannelVolumes(const pa_channel_map& map, std::int32_t volume, std::int32_t pan) {
    pa_cvolume volumes{};
    volumes.channels = map.channels;
    for (unsigned i = 0; i < map.channels; ++i) {
        std::int32_t hundredths = volume;
        if (pan > 0 && OnTheLeft(map.map[i])) {
            hundredths -= pan;
        } else if (pan < 0 && OnTheRight(map.map[i])) {
            hundredths += pan;
        }
        volumes.values[i] =
            hundredths <= kVolumeMin ? PA_VOLUME_MUTED : pa_sw_volume_from_dB(hundredths / 100.0);
    }
    return volumes;
}

} // namespace

struct SoundDevice::Impl {
    std::shared_ptr<pulse::Connection> connection;
    bool opened = false; // the connection was tried (it is made with the first buffer)
};

struct SoundBuffer::Impl {
    std::shared_ptr<pulse::Connection> connection; // kept while the buffer lives
    std::string name;
    std::uint32_t flags = 0;
    WaveFormat format; // as the file has it
    std::uint32_t bytes = 0;
    pa_sample_spec sampleSpec{}; // as it is played
    pa_channel_map map{};
    // As the file has them: a mono sound is played as stereo, both sides the same, so that it
    // can be panned, and is made so as it is given to the stream (not kept twice as large).
    std::vector<std::uint8_t> samples;
    std::size_t frames = 0;
    std::size_t frameBytes = 0; // as it is played
    std::size_t sampleBytes = 0;
    bool mono = false;
    std::int32_t volume = 0;
    std::int32_t pan = 0;

    // Playback as the listener follows it, by the clock: from `startFrame` at `startedAt`.
    bool playing = false;
    bool looping = false;
    std::size_t startFrame = 0;
    Clock::time_point startedAt;

    // The stream, once made, and the next frame it is to be given; `streaming` while it is
    // uncorked and fed.
    pa_stream* stream = nullptr;
    pa_operation* drain = nullptr;
    std::size_t writeFrame = 0;
    bool streaming = false;
    bool holding = false;       // the stream may still hold samples given to it
    bool volumeChanged = false; // while the stream was being made
    bool prompt = false;        // counted in the connection's NeedPromptService

    ~Impl() {
        CloseStream();
        SetPrompt(false);
    }

    // A stream being made, or one with more of its sound to give, needs the server's
    // attention at once; one that has been given all of it, or is stopped, does not.
    void UpdatePrompt() {
        SetPrompt(stream != nullptr && streaming &&
                  (!StreamReady() || looping || writeFrame < frames));
    }
    void SetPrompt(bool on) {
        if (on != prompt) {
            prompt = on;
            connection->NeedPromptService(on);
        }
    }

    // The frame the listener hears now; a sound played once stops at its end and is rewound.
    std::size_t Position() {
        if (!playing) {
            return startFrame;
        }
        auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - startedAt);
        std::size_t frame =
            startFrame + static_cast<std::size_t>(elapsed.count() * sampleSpec.rate / 1000000);
        if (looping) {
            return frame % frames;
        }
        if (frame >= frames) {
            playing = false;
            startFrame = 0;
            return 0;
        }
        return frame;
    }

    // Sets playback as the listener follows it to `frame` from now.
    void Restart(std::size_t frame) {
        startFrame = frame;
        startedAt = Clock::now();
    }

    bool StreamReady() const {
        return stream && pa_stream_get_context(stream) == connection->Context() &&
               pa_stream_get_state(stream) == PA_STREAM_READY;
    }

    // Plays from `startFrame`: the kept stream emptied of what it still held and given the
    // sound from there, or a new stream, fed once the server has made it.
    void StartStream() {
        CancelDrain();
        writeFrame = startFrame;
        streaming = true;
        if (!StreamReady()) {
            OpenStream();
        } else {
            Flush();
            Feed(0);
            Cork(false);
        }
        UpdatePrompt();
    }

    // Stops what the stream plays: corked, and emptied so that nothing of it is heard later.
    void StopStream() {
        CancelDrain();
        streaming = false;
        if (!StreamReady()) {
            CloseStream(); // one still being made, or one of a server that has gone
        } else {
            Cork(true);
            Flush();
        }
        UpdatePrompt();
    }

    // Empties the stream, unless it holds nothing: a sound heard to its end left it empty.
    void Flush() {
        if (!holding) {
            return;
        }
        if (pa_operation* flush = pa_stream_flush(stream, nullptr, nullptr)) {
            pa_operation_unref(flush);
            holding = false;
        }
    }

    void Cork(bool corked) {
        if (pa_operation* operation = pa_stream_cork(stream, corked ? 1 : 0, nullptr, nullptr)) {
            pa_operation_unref(operation);
        }
    }

    void OpenStream() {
        CloseStream();
        if (!connection->Ready()) {
            connection->Revive(); // silently on, and heard again once the server is back
            return;
        }
        stream = pa_stream_new(connection->Context(), name.c_str(), &sampleSpec, &map);
        if (!stream) {
            return;
        }
        holding = false;
        volumeChanged = false;
        pa_stream_set_state_callback(stream, &Impl::OnState, this);
        pa_stream_set_write_callback(stream, &Impl::OnWritable, this);
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength =
            static_cast<std::uint32_t>(pa_usec_to_bytes(kLatencyUsec, &sampleSpec));
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(kRequestUsec, &sampleSpec));
        attributes.fragsize = static_cast<std::uint32_t>(-1);
        pa_cvolume volumes = ChannelVolumes(map, volume, pan);
        if (pa_stream_connect_playback(stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY,
                                       &volumes, nullptr) < 0) {
            CloseStream();
        }
    }

    void CancelDrain() {
        if (drain) {
            pa_operation_cancel(drain);
            pa_operation_unref(std::exchange(drain, nullptr));
        }
    }

    void CloseStream() {
        CancelDrain();
        if (stream) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(std::exchange(stream, nullptr));
        }
    }

    // Sets the volume or pan to `value` if the buffer takes it.
    SoundResult SetControl(SoundControl control, std::int32_t value) {
        const SoundResult result = CheckSoundControl(flags, control, value);
        if (result == kOk) {
            (control == SoundControl::Volume ? volume : pan) = value;
            ApplyVolume();
        }
        return result;
    }

    void ApplyVolume() {
        if (!StreamReady()) {
            volumeChanged = stream != nullptr;
            return;
        }
        pa_cvolume volumes = ChannelVolumes(map, volume, pan);
        if (pa_operation* operation = pa_context_set_sink_input_volume(
                connection->Context(), pa_stream_get_index(stream), &volumes, nullptr, nullptr)) {
            pa_operation_unref(operation);
        }
    }

    // Gives the stream up to `count` frames from `writeFrame` on, written straight into the
    // stream's own memory; the frames written, 0 on failure.
    std::size_t Write(std::size_t count) {
        void* data = nullptr;
        std::size_t size = count * frameBytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) {
            return 0;
        }
        count = std::min(count, size / frameBytes);
        const std::uint8_t* from = &samples[writeFrame * (mono ? sampleBytes : frameBytes)];
        auto* to = static_cast<std::uint8_t*>(data);
        if (mono) {
            ToBothSides(from, to, count, sampleBytes);
        } else {
            std::copy_n(from, count * frameBytes, to);
        }
        if (count == 0 ||
            pa_stream_write(stream, data, count * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            pa_stream_cancel_write(stream);
            return 0;
        }
        holding = true;
        return count;
    }

    // Gives the stream what it asks for, and up to a second more: the rest of the sound, and
    // again from its start when looping. A sound played once is drained when all of it has
    // been given.
    void Feed(std::size_t asked) {
        std::size_t wanted =
            std::max(asked, std::min(pa_usec_to_bytes(kAheadUsec, &sampleSpec), kAheadMaxBytes));
        while (wanted >= frameBytes && !drain) {
            if (writeFrame == frames) {
                if (!looping) {
                    break;
                }
                writeFrame = 0;
            }
            std::size_t count = std::min(wanted / frameBytes, frames - writeFrame);
            count = Write(count);
            if (count == 0) {
                return;
            }
            writeFrame += count;
            wanted -= count * frameBytes;
        }
        if (!looping && writeFrame == frames && !drain) {
            drain = pa_stream_drain(stream, &Impl::OnDrained, this);
        }
        UpdatePrompt();
    }

    // Playing on with `loop`: a sound played once that becomes looping takes up feeding again.
    void SetLooping(bool loop) {
        looping = loop;
        if (loop && drain && StreamReady()) {
            CancelDrain();
            Feed(pa_stream_writable_size(stream));
        }
        UpdatePrompt();
    }

    static void OnState(pa_stream* stream, void* userdata) {
        auto& self = *static_cast<Impl*>(userdata);
        if (pa_stream_get_state(stream) == PA_STREAM_READY && self.volumeChanged) {
            self.volumeChanged = false;
            self.ApplyVolume();
        }
        self.UpdatePrompt();
    }

    static void OnWritable(pa_stream*, std::size_t bytes, void* userdata) {
        auto& self = *static_cast<Impl*>(userdata);
        if (self.streaming) {
            self.Feed(bytes);
        }
    }

    // The sound has been heard to its end (or the server would not drain it): the stream is
    // corked until the buffer plays again.
    static void OnDrained(pa_stream*, int success, void* userdata) {
        auto& self = *static_cast<Impl*>(userdata);
        pa_operation_unref(std::exchange(self.drain, nullptr));
        self.streaming = false;
        self.holding = self.holding && !success;
        if (self.StreamReady()) {
            self.Cork(true);
        }
        self.UpdatePrompt();
    }
};

// ---- SoundBuffer ----

SoundBuffer::SoundBuffer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundBuffer::SoundBuffer(SoundBuffer&&) noexcept = default;
SoundBuffer& SoundBuffer::operator=(SoundBuffer&&) noexcept = default;
SoundBuffer::~SoundBuffer() = default;

SoundResult SoundBuffer::SetCurrentPosition(std::uint32_t position) {
    Impl& buffer = *impl_;
    if (position >= buffer.bytes) {
        return kInvalidParam;
    }
    buffer.Position(); // a sound that has ended meanwhile is stopped
    buffer.Restart(position / buffer.format.blockAlign);
    if (buffer.playing) {
        buffer.StartStream(); // what the stream held is not heard any more
    }
    return kOk;
}

SoundResult SoundBuffer::Play(std::uint32_t flags) {
    Impl& buffer = *impl_;
    const bool looping = (flags & kPlayLooping) != 0;
    std::size_t position = buffer.Position();
    if (buffer.playing) {
        buffer.SetLooping(looping);
        return kOk;
    }
    buffer.playing = true;
    buffer.looping = looping;
    buffer.Restart(position);
    buffer.StartStream();
    return kOk;
}

SoundResult SoundBuffer::Stop() {
    Impl& buffer = *impl_;
    buffer.Restart(buffer.Position());
    buffer.playing = false;
    buffer.StopStream();
    return kOk;
}

SoundResult SoundBuffer::SetVolume(std::int32_t volume) {
    return impl_->SetControl(SoundControl::Volume, volume);
}

SoundResult SoundBuffer::SetPan(std::int32_t pan) {
    return impl_->SetControl(SoundControl::Pan, pan);
}

bool SoundBuffer::IsPlaying() const {
    impl_->Position();
    return impl_->playing;
}

const WaveFormat& SoundBuffer::Format() const {
    return impl_->format;
}

std::uint32_t SoundBuffer::Bytes() const {
    return impl_->bytes;
}

// ---- SoundDevice ----

SoundDevice::SoundDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundDevice::SoundDevice(SoundDevice&&) noexcept = default;
SoundDevice& SoundDevice::operator=(SoundDevice&&) noexcept = default;
SoundDevice::~SoundDevice() = default;

// The server is reached when the first buffer is made; without one, the device makes none.
std::optional<SoundDevice> SoundDevice::CreateDefault() {
    return SoundDevice(std::make_unique<Impl>());
}

// Nothing to bind on Linux: the server mixes every program's streams whatever has the focus.
SoundResult SoundDevice::SetCooperativeLevel(WindowHandle, CooperativeLevel) {
    return kOk;
}

std::optional<SoundBuffer>
SoundDevice::CreateBufferFromFile(const std::string& fileName,
                                  const SoundBufferDescription& description) {
    // The program names its sounds as Windows paths ("<directory>\\jellop_move.wav").
    std::string path = fileName;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::optional<WaveFile> wave = ReadWaveFile(path);
    if (!wave) {
        return std::nullopt;
    }
    if (!impl_->opened) {
        impl_->opened = true;
        impl_->connection = pulse::Connection::Open();
    }
    if (!impl_->connection || !impl_->connection->Ready()) {
        return std::nullopt;
    }
    auto buffer = std::make_unique<SoundBuffer::Impl>();
    buffer->connection = impl_->connection;
    buffer->name = fileName.substr(fileName.find_last_of('/') + 1);
    buffer->flags = description.lFlags;
    buffer->format = wave->format;
    buffer->bytes = static_cast<std::uint32_t>(wave->data.size());
    const WaveFormat& format = wave->format;
    buffer->sampleSpec.format = SampleFormat(format.bitsPerSample);
    buffer->sampleSpec.rate = format.samplesPerSec;
    buffer->sampleSpec.channels =
        static_cast<std::uint8_t>(format.channels == 1 ? 2 : format.channels);
    buffer->samples = std::move(wave->data);
    buffer->mono = format.channels == 1;
    pa_channel_map_init_extend(&buffer->map, buffer->sampleSpec.channels, PA_CHANNEL_MAP_WAVEEX);
    buffer->frameBytes = pa_frame_size(&buffer->sampleSpec);
    buffer->sampleBytes = pa_sample_size(&buffer->sampleSpec);
    buffer->frames =
        buffer->samples.size() / (buffer->mono ? buffer->sampleBytes : buffer->frameBytes);
    return SoundBuffer(std::move(buffer));
}

} // namespace platform
