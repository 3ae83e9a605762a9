// Sound on Windows: DirectSound 8 (dsound.dll) through its COM interfaces; wave files are read
// with the multimedia file I/O functions (mmio) straight into the buffer's memory.
#include "platform/sound.h"

#include <windows.h>

#include <mmreg.h>
#include <mmsystem.h>

#include <dsound.h>

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// Owns one reference to a COM object; Release on destruction.
template <typename Interface> class ComRef {
  public:
    ComRef() = default;
    explicit ComRef(Interface* object) : object_(object) {}
    ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    // A second reference to the same object.
    ComRef Share() const {
        if (object_) {
            object_->AddRef();
        }
        return ComRef(object_);
    }
    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    void Reset() {
        if (object_) {
            std::exchange(object_, nullptr)->Release();
        }
    }
    Interface* object_ = nullptr;
};

// An open file; CloseHandle on destruction.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (Valid()) {
            CloseHandle(handle_);
        }
    }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

// An mmio reader over an already open file; mmioClose on destruction leaves the file itself
// open (MMIO_FHOPEN): its FileHandle closes it.
class MmioReader {
  public:
    explicit MmioReader(HMMIO handle) : handle_(handle) {}
    MmioReader(const MmioReader&) = delete;
    MmioReader& operator=(const MmioReader&) = delete;
    ~MmioReader() {
        if (handle_) {
            mmioClose(handle_, MMIO_FHOPEN);
        }
    }
    HMMIO Get() const { return handle_; }

  private:
    HMMIO handle_;
};

// A locked region of a sound buffer; Unlock on destruction.
class BufferLock {
  public:
    explicit BufferLock(IDirectSoundBuffer* buffer) : buffer_(buffer) {}
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;
    ~BufferLock() {
        if (first) {
            buffer_->Unlock(first, firstBytes, second, secondBytes);
        }
    }
    HRESULT Lock(DWORD bytes) {
        HRESULT result = buffer_->Lock(0, bytes, &first, &firstBytes, &second, &secondBytes, 0);
        if (FAILED(result)) {
            first = second = nullptr;
        }
        return result;
    }

    void* first = nullptr;
    DWORD firstBytes = 0;
    void* second = nullptr;
    DWORD secondBytes = 0;

  private:
    IDirectSoundBuffer* buffer_;
};

// KSDATAFORMAT_SUBTYPE_PCM, spelled out so no extra GUID library is needed.
constexpr GUID kSubtypePcm = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The format of a wave file, as DirectSound is to receive it, and as the caller sees it.
struct FileFormat {
    WAVEFORMATEXTENSIBLE full{}; // handed to DirectSound
    WaveFormat samples;          // integer PCM in plain terms
};

// Reads the format chunk at the reader's position; false for anything but loadable PCM.
bool ReadFormatChunk(HMMIO mmio, const MMCKINFO& chunk, FileFormat& format) {
    if (chunk.cksize < sizeof(PCMWAVEFORMAT)) {
        return false;
    }
    LONG wanted = static_cast<LONG>(std::min<DWORD>(chunk.cksize, sizeof format.full));
    if (mmioRead(mmio, reinterpret_cast<HPSTR>(&format.full), wanted) != wanted) {
        return false;
    }
    WAVEFORMATEX& head = format.full.Format;
    WORD tag = head.wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        // Only a complete extensible header whose samples are integer PCM.
        if (wanted < static_cast<LONG>(sizeof(WAVEFORMATEXTENSIBLE)) ||
            head.cbSize < sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX) ||
            !IsEqualGUID(format.full.SubFormat, kSubtypePcm) ||
            format.full.Samples.wValidBitsPerSample > head.wBitsPerSample) {
            return false;
        }
        head.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        tag = WAVE_FORMAT_PCM;
    } else {
        head.cbSize = 0; // a PCM header has no extra bytes, whatever the file says
    }
    format.samples = WaveFormat{tag,
                                head.nChannels,
                                head.nSamplesPerSec,
                                head.nAvgBytesPerSec,
                                head.nBlockAlign,
                                head.wBitsPerSample};
    return IsLoadablePcm(format.samples);
}

// Copies `bytes` bytes from the reader's position into the buffer's memory.
bool FillBuffer(IDirectSoundBuffer* buffer, HMMIO mmio, DWORD bytes) {
    BufferLock lock(buffer);
    if (FAILED(lock.Lock(bytes))) {
        return false;
    }
    if (mmioRead(mmio, static_cast<HPSTR>(lock.first), static_cast<LONG>(lock.firstBytes)) !=
        static_cast<LONG>(lock.firstBytes)) {
        return false;
    }
    return !lock.second ||
           mmioRead(mmio, static_cast<HPSTR>(lock.second), static_cast<LONG>(lock.secondBytes)) ==
               static_cast<LONG>(lock.secondBytes);
}

// DirectSound's results in the platform's terms.
SoundResult FromHresult(HRESULT result) {
    if (SUCCEEDED(result)) {
        return SoundResult::Ok;
    }
    switch (result) {
    case DSERR_INVALIDPARAM:
        return SoundResult::InvalidValue;
    case DSERR_CONTROLUNAVAIL:
        return SoundResult::ControlUnavailable;
    default:
        return SoundResult::Failed;
    }
}

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

} // namespace

// The system's device is opened when the first buffer is made, not before: an open DirectSound
// device mixes (and feeds the sound server) all the time, even with nothing to play, so a
// program whose sound files are missing would pay for it all day. dsound.dll is loaded then
// too. The cooperative level is kept until the device is open.
struct SoundDevice::Impl {
    ComRef<IDirectSound8> device;
    bool opened = false;
    HWND window = nullptr;
    DWORD level = 0;

    // The open device; false when it cannot be opened (no sound server, no driver).
    bool Open() {
        if (opened) {
            return static_cast<bool>(device);
        }
        opened = true;
        HMODULE dsound = LoadLibraryA("dsound.dll"); // kept for the process's life
        using Create = HRESULT(WINAPI*)(LPCGUID, IDirectSound8**, IUnknown*);
        auto create = dsound == nullptr ? nullptr
                                        : reinterpret_cast<Create>(reinterpret_cast<void*>(
                                              GetProcAddress(dsound, "DirectSoundCreate8")));
        IDirectSound8* created = nullptr;
        if (create == nullptr || FAILED(create(nullptr, &created, nullptr)) || created == nullptr) {
            return false;
        }
        device = ComRef<IDirectSound8>(created);
        if (window != nullptr && FAILED(device->SetCooperativeLevel(window, level))) {
            device = ComRef<IDirectSound8>();
        }
        return static_cast<bool>(device);
    }
};

struct SoundBuffer::Impl {
    // Declared first, released last: DirectSound destroys a device's buffers with the device.
    ComRef<IDirectSound8> device;
    ComRef<IDirectSoundBuffer> buffer;
    WaveFormat format;
    std::uint32_t bytes = 0;
};

// ---- SoundBuffer ----

SoundBuffer::SoundBuffer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundBuffer::SoundBuffer(SoundBuffer&&) noexcept = default;
SoundBuffer& SoundBuffer::operator=(SoundBuffer&&) noexcept = default;
SoundBuffer::~SoundBuffer() = default;

SoundResult SoundBuffer::SetCurrentPosition(std::uint32_t position) {
    return FromHresult(impl_->buffer->SetCurrentPosition(position));
}

SoundResult SoundBuffer::Play(std::uint32_t flags) {
    return FromHresult(impl_->buffer->Play(0, 0, flags));
}

SoundResult SoundBuffer::Stop() {
    return FromHresult(impl_->buffer->Stop());
}

SoundResult SoundBuffer::SetVolume(std::int32_t volume) {
    return FromHresult(impl_->buffer->SetVolume(volume));
}

SoundResult SoundBuffer::SetPan(std::int32_t pan) {
    return FromHresult(impl_->buffer->SetPan(pan));
}

bool SoundBuffer::IsPlaying() const {
    DWORD status = 0;
    return SUCCEEDED(impl_->buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING) != 0;
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

// The default device, opened when it is first needed (see Impl). A device that cannot be opened
// then makes no buffers: the program is silent, as without a device.
std::optional<SoundDevice> SoundDevice::CreateDefault() {
    return SoundDevice(std::make_unique<Impl>());
}

SoundResult SoundDevice::SetCooperativeLevel(WindowHandle window, CooperativeLevel level) {
    if (impl_->device) {
        return FromHresult(
            impl_->device->SetCooperativeLevel(ToHwnd(window), static_cast<DWORD>(level)));
    }
    if (!::IsWindow(ToHwnd(window))) {
        return SoundResult::InvalidValue; // what the device refuses
    }
    impl_->window = ToHwnd(window);
    impl_->level = static_cast<DWORD>(level);
    return SoundResult::Ok;
}

std::optional<SoundBuffer>
SoundDevice::CreateBufferFromFile(const std::string& fileName,
                                  const SoundBufferDescription& description) {
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &fileSize)) {
        return std::nullopt;
    }
    // mmio reads through the handle opened above. Given a name, mmio would open the file
    // itself: its documentation limits such names to 128 characters, and a '+' in them can be
    // taken for a compound-file element. (Kernel handles fit in the 32 bits of adwInfo[0].)
    MMIOINFO info{};
    info.fccIOProc = FOURCC_DOS;
    info.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(file.Get()));
    MmioReader mmio(mmioOpenA(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF));
    if (!mmio.Get()) {
        return std::nullopt;
    }

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(mmio.Get(), &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    MMCKINFO formatChunk{};
    formatChunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    FileFormat format;
    if (mmioDescend(mmio.Get(), &formatChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
        !ReadFormatChunk(mmio.Get(), formatChunk, format) ||
        mmioAscend(mmio.Get(), &formatChunk, 0) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    // The data chunk may come before the format chunk: search again from the start.
    MMCKINFO dataChunk{};
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioSeek(mmio.Get(), static_cast<LONG>(riff.dwDataOffset + sizeof(FOURCC)), SEEK_SET) ==
            -1 ||
        mmioDescend(mmio.Get(), &dataChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    // A truncated file promises more sound than it holds: refuse it before allocating.
    if (static_cast<LONGLONG>(dataChunk.dwDataOffset) + dataChunk.cksize > fileSize.QuadPart) {
        return std::nullopt;
    }
    // Whole sample frames only; DirectSound refuses an empty buffer.
    DWORD bytes = dataChunk.cksize - dataChunk.cksize % format.samples.blockAlign;
    if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX) {
        return std::nullopt;
    }

    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = description.lFlags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format.full.Format;
    if (!impl_->Open()) {
        return std::nullopt;
    }
    IDirectSoundBuffer* created = nullptr;
    HRESULT result = impl_->device->CreateSoundBuffer(&desc, &created, nullptr);
    ComRef<IDirectSoundBuffer> buffer(created);
    if (FAILED(result) || !buffer) {
        return std::nullopt;
    }
    auto impl = std::make_unique<SoundBuffer::Impl>();
    impl->device = impl_->device.Share();
    impl->buffer = std::move(buffer);
    impl->format = format.samples;
    impl->bytes = bytes;
    if (!FillBuffer(impl->buffer.Get(), mmio.Get(), bytes)) {
        return std::nullopt;
    }
    return SoundBuffer(std::move(impl));
}

} // namespace platform
