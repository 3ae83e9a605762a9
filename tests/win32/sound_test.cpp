// The sound effects on real DirectSound (under Wine with a PulseAudio null sink): loading wave
// files into buffers, refusing what is not loadable PCM, play, stop, volume and pan.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/app.h"
#include "runtime/error.h"
#include "sound/modDS.h"
#include "sound/modDX.h"
#include "win32/sound_wave_file.h"

namespace {

using modDX::DirectSoundBuffer;
using soundtest::Mono16;
using soundtest::WaveBytes;
using soundtest::WaveContent;

// A fresh directory under the temporary directory, removed with its files afterwards.
class TempDirectory {
  public:
    explicit TempDirectory(const std::string& name) {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "jellop-sound-" + std::to_string(GetCurrentProcessId()) + "-" +
                name;
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempDirectory() {
        for (const auto& file : files_) {
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string file = path_ + "\\" + name;
        EXPECT_TRUE(soundtest::WriteFileBytes(file, bytes)) << file;
        files_.push_back(file);
        return file;
    }

  private:
    std::string path_;
    std::vector<std::string> files_;
};

class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Forget();
        window_ = CreateWindowExA(0, "STATIC", "jellop sound test", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        modDX::InitDirectSound();
        ASSERT_TRUE(modDX::SoundDevice.has_value())
            << "no DirectSound device: is PulseAudio running (scripts/env.sh jellop_start)?";
        modDX::SetSoundWindow(Handle());
    }
    void TearDown() override {
        Forget();
        DestroyWindow(window_);
    }
    static void Forget() {
        modDS::MoveSoundBuffer.reset();
        modDS::DieSoundBuffer.reset();
        modDX::SoundDevice.reset();
    }
    platform::WindowHandle Handle() const {
        return static_cast<platform::WindowHandle>(reinterpret_cast<std::uintptr_t>(window_));
    }
    std::optional<DirectSoundBuffer> Load(const std::string& file) {
        std::optional<DirectSoundBuffer> buffer;
        modDX::CreateBufferFromFile(buffer, file, {modDS::kEffectBufferFlags});
        return buffer;
    }

    HWND window_ = nullptr;
};

TEST_F(SoundTest, LoadsEveryPcmLayoutWithItsFormatAndLength) {
    TempDirectory dir("layouts");
    for (const soundtest::PcmLayout& c : soundtest::kLoadableLayouts) {
        WaveContent wave = c.Silence();
        for (bool dataFirst : {false, true}) {
            SCOPED_TRACE(dataFirst ? "data chunk before format chunk" : "format chunk first");
            wave.dataFirst = dataFirst;
            auto buffer = Load(dir.Write(c.name, WaveBytes(wave)));
            ASSERT_TRUE(buffer.has_value()) << c.name;
            EXPECT_EQ(buffer->Bytes(), wave.data.size()) << c.name;
            EXPECT_EQ(buffer->Format().channels, c.channels) << c.name;
            EXPECT_EQ(buffer->Format().samplesPerSec, c.rate) << c.name;
            EXPECT_EQ(buffer->Format().bitsPerSample, c.bits) << c.name;
        }
    }
}

// mmio given a file name opens it through OpenFile, which has a 128-character limit; '+' in a
// name means a compound-file element to mmio. Neither may stop the sounds from loading.
TEST_F(SoundTest, LoadsFromLongPathsAndPathsWithPlusSigns) {
    TempDirectory plus("a+b");
    EXPECT_TRUE(Load(plus.Write("jellop_move.wav", WaveBytes(Mono16(0.1)))).has_value());

    TempDirectory outer(std::string(100, 'd'));
    TempDirectory inner(std::string(100, 'd') + "\\" + std::string(60, 'e'));
    std::string file = inner.Write("jellop_move.wav", WaveBytes(Mono16(0.1)));
    ASSERT_GT(file.size(), 200u);
    EXPECT_TRUE(Load(file).has_value());
}

TEST_F(SoundTest, RefusesWhatIsNotLoadablePcmAndEmptiesTheTarget) {
    TempDirectory dir("refused");
    const auto files = soundtest::RefusedWaveFiles();
    const std::string good = dir.Write("good.wav", WaveBytes(Mono16(0.1)));
    for (const auto& [name, bytes] : files) {
        std::optional<DirectSoundBuffer> target;
        modDX::CreateBufferFromFile(target, good, {modDS::kEffectBufferFlags});
        ASSERT_TRUE(target.has_value());
        modDX::CreateBufferFromFile(target, dir.Write(name, bytes), {modDS::kEffectBufferFlags});
        EXPECT_FALSE(target.has_value()) << name;
    }
    EXPECT_FALSE(Load(dir.Path() + "\\missing.wav").has_value());
    EXPECT_FALSE(Load(dir.Path()).has_value()) << "a directory";
}

TEST_F(SoundTest, PlayRewindsAndPlaysOnceOrLooping) {
    TempDirectory dir("play");
    std::optional<DirectSoundBuffer> buffer = Load(dir.Write("short.wav", WaveBytes(Mono16(0.15))));
    ASSERT_TRUE(buffer.has_value());
    EXPECT_FALSE(buffer->IsPlaying());

    modDS::PlaySoundBuffer(buffer, false);
    EXPECT_TRUE(buffer->IsPlaying());
    Sleep(600);
    EXPECT_FALSE(buffer->IsPlaying()) << "a sound played once stops at its end";

    modDS::PlaySoundBuffer(buffer, true);
    Sleep(600);
    EXPECT_TRUE(buffer->IsPlaying()) << "a looping sound goes on past its end";
    modDS::StopSoundBuffer(buffer);
    EXPECT_FALSE(buffer->IsPlaying());

    std::optional<DirectSoundBuffer> absent;
    EXPECT_NO_THROW(modDS::StopSoundBuffer(absent));
    EXPECT_THROW(modDS::PlaySoundBuffer(absent, false), runtime::Error);
}

TEST_F(SoundTest, RefusedVolumeAndPanRaiseNumberedErrors) {
    TempDirectory dir("controls");
    std::optional<DirectSoundBuffer> buffer = Load(dir.Write("tone.wav", WaveBytes(Mono16(0.1))));
    ASSERT_TRUE(buffer.has_value());
    EXPECT_NO_THROW(buffer->SetVolume(-1500));
    EXPECT_NO_THROW(buffer->SetVolume(platform::kVolumeMin));
    EXPECT_NO_THROW(buffer->SetPan(platform::kPanLeft));
    EXPECT_NO_THROW(buffer->SetPan(platform::kPanRight));

    for (auto call : {+[](DirectSoundBuffer& b) { b.SetVolume(1); },
                      +[](DirectSoundBuffer& b) { b.SetVolume(-10001); },
                      +[](DirectSoundBuffer& b) { b.SetPan(10001); },
                      +[](DirectSoundBuffer& b) { b.SetPan(-20000); }}) {
        try {
            call(*buffer);
            ADD_FAILURE() << "an out-of-range value was accepted";
        } catch (const runtime::Error& error) {
            EXPECT_EQ(error.Number(), modDX::kErrInvalidArgument);
        }
    }

    // A buffer made without the pan control refuses a pan.
    std::optional<DirectSoundBuffer> plain;
    modDX::CreateBufferFromFile(plain, dir.Write("plain.wav", WaveBytes(Mono16(0.1))),
                                {platform::kBufferCtrlVolume});
    ASSERT_TRUE(plain.has_value());
    EXPECT_THROW(plain->SetPan(0), runtime::Error);
}

// The sound files are looked up beside the executable, never in the current directory: here the
// current directory holds damaged files under the same names.
TEST_F(SoundTest, LoadSoundsFindsTheFilesBesideTheExecutable) {
    const std::string exeDir = platform::ExecutableDirectory();
    for (const char* name : {modDS::kMoveSoundFile, modDS::kDieSoundFile}) {
        ASSERT_NE(GetFileAttributesA((exeDir + name).c_str()), INVALID_FILE_ATTRIBUTES)
            << "the build copies the sound files beside the test program: " << exeDir + name;
    }
    TempDirectory decoys("cwd");
    decoys.Write("jellop_move.wav", {'n', 'o'});
    decoys.Write("jellop_die.wav", {'n', 'o'});
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(decoys.Path().c_str()));

    modDS::LoadSounds();
    SetCurrentDirectoryA(previous);

    ASSERT_TRUE(modDS::MoveSoundBuffer.has_value());
    ASSERT_TRUE(modDS::DieSoundBuffer.has_value());
    EXPECT_GT(modDS::MoveSoundBuffer->Bytes(), 0u);
    EXPECT_GT(modDS::DieSoundBuffer->Bytes(), 0u);
    // What the start-up does with them next.
    EXPECT_NO_THROW(modDS::MoveSoundBuffer->SetVolume(-1500));
    EXPECT_NO_THROW(modDS::DieSoundBuffer->SetVolume(-1500));
}

// Buffers keep their device alive: released after the device, they still work and release
// cleanly (DirectSound itself destroys a device's buffers when the device goes).
TEST_F(SoundTest, BuffersOutliveTheDeviceVariable) {
    TempDirectory dir("order");
    std::optional<DirectSoundBuffer> buffer = Load(dir.Write("tone.wav", WaveBytes(Mono16(0.1))));
    ASSERT_TRUE(buffer.has_value());
    modDX::SoundDevice.reset();
    EXPECT_NO_THROW(modDS::PlaySoundBuffer(buffer, false));
    EXPECT_TRUE(buffer->IsPlaying());
    EXPECT_NO_THROW(modDS::StopSoundBuffer(buffer));
    buffer.reset();
}

} // namespace
