// Plays scenarios through modDX/modDS so that the end-to-end tests can record the PulseAudio
// sink and measure what came out. Usage: jellop_soundprobe SCENARIO
//   load      InitDirectSound, SetSoundWindow, LoadSounds as the start-up does; prints
//             "device=D move=M die=X" (1 = present, 0 = absent) and nothing else
//   effects   load, then play each present effect once at volume -1500, 1 s apart
//   levels    a 1 kHz tone at volume 0, then at volume -1500
//   pan       the tone at pan -5000, then at pan +5000
//   restart   a two-part sound (500 Hz for 300 ms, then 1500 Hz for 300 ms), played, and
//             played again 150 ms later while it still plays
//   mixed     the same sound in two buffers, the second started 150 ms after the first: the
//             overlap that a restart must not produce, to show the measurement can see it
//   stop      a 300 ms tone played looping for 700 ms, then stopped
// Sounds are separated by at least 500 ms of silence. Exit status 0 when the scenario ran, 2
// when it could not (no device, no buffer), 1 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/error.h"
#include "sound/modDS.h"
#include "sound/modDX.h"
#include "win32/sound_wave_file.h"

namespace {

using Buffer = std::optional<modDX::DirectSoundBuffer>;

constexpr DWORD kGap = 700;

platform::WindowHandle CreateProbeWindow() {
    HWND window = CreateWindowExA(0, "STATIC", "jellop sound probe", WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return static_cast<platform::WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

bool StartDevice() {
    modDX::InitDirectSound();
    modDX::SetSoundWindow(CreateProbeWindow());
    return modDX::SoundDevice.has_value();
}

// Writes `samples` as a 16-bit mono wave file in the temporary directory and loads it.
Buffer LoadSamples(const char* name, const std::vector<double>& samples) {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    std::string file = std::string(directory) + "jellop-soundprobe-" +
                       std::to_string(GetCurrentProcessId()) + "-" + name + ".wav";
    soundtest::WaveContent wave;
    wave.data = soundtest::Pcm16(samples);
    Buffer buffer;
    if (soundtest::WriteFileBytes(file, soundtest::WaveBytes(wave))) {
        modDX::CreateBufferFromFile(buffer, file, {modDS::kEffectBufferFlags});
    }
    DeleteFileA(file.c_str());
    return buffer;
}

int Load(bool play) {
    StartDevice();
    modDS::LoadSounds();
    std::printf("device=%d move=%d die=%d\n", modDX::SoundDevice.has_value() ? 1 : 0,
                modDS::MoveSoundBuffer.has_value() ? 1 : 0,
                modDS::DieSoundBuffer.has_value() ? 1 : 0);
    if (play) {
        for (Buffer* buffer : {&modDS::MoveSoundBuffer, &modDS::DieSoundBuffer}) {
            if (*buffer) {
                (*buffer)->SetVolume(-1500);
                modDS::PlaySoundBuffer(*buffer, false);
                Sleep(1000 + kGap);
            }
        }
    }
    return 0;
}

int Levels() {
    Buffer tone = LoadSamples("levels", soundtest::Tone(1000, 0.4, 0.5));
    if (!tone) {
        return 2;
    }
    for (int volume : {0, -1500}) {
        tone->SetVolume(volume);
        modDS::PlaySoundBuffer(tone, false);
        Sleep(400 + kGap);
    }
    return 0;
}

int Pan() {
    Buffer tone = LoadSamples("pan", soundtest::Tone(1000, 0.4, 0.5));
    if (!tone) {
        return 2;
    }
    for (int pan : {-5000, 5000}) {
        tone->SetPan(pan);
        modDS::PlaySoundBuffer(tone, false);
        Sleep(400 + kGap);
    }
    return 0;
}

std::vector<double> TwoPartSound() {
    std::vector<double> samples = soundtest::Tone(500, 0.3, 0.5);
    std::vector<double> tail = soundtest::Tone(1500, 0.3, 0.5);
    samples.insert(samples.end(), tail.begin(), tail.end());
    return samples;
}

int Restart() {
    Buffer sound = LoadSamples("restart", TwoPartSound());
    if (!sound) {
        return 2;
    }
    modDS::PlaySoundBuffer(sound, false);
    Sleep(150);
    modDS::PlaySoundBuffer(sound, false);
    Sleep(600 + kGap);
    return 0;
}

int Mixed() {
    Buffer first = LoadSamples("mixed1", TwoPartSound());
    Buffer second = LoadSamples("mixed2", TwoPartSound());
    if (!first || !second) {
        return 2;
    }
    modDS::PlaySoundBuffer(first, false);
    Sleep(150);
    modDS::PlaySoundBuffer(second, false);
    Sleep(600 + kGap);
    return 0;
}

int Stop() {
    Buffer tone = LoadSamples("stop", soundtest::Tone(1000, 0.3, 0.5));
    if (!tone) {
        return 2;
    }
    modDS::PlaySoundBuffer(tone, true);
    Sleep(700);
    modDS::StopSoundBuffer(tone);
    Sleep(kGap);
    return 0;
}

int Run(const std::string& scenario) {
    if (scenario == "load" || scenario == "effects") {
        return Load(scenario == "effects");
    }
    if (!StartDevice()) {
        std::printf("no sound device\n");
        return 2;
    }
    Sleep(200); // let the device settle before the first sound
    if (scenario == "levels") {
        return Levels();
    }
    if (scenario == "pan") {
        return Pan();
    }
    if (scenario == "restart") {
        return Restart();
    }
    if (scenario == "mixed") {
        return Mixed();
    }
    if (scenario == "stop") {
        return Stop();
    }
    std::printf("unknown scenario %s\n", scenario.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: jellop_soundprobe load|effects|levels|pan|restart|mixed|stop\n");
        return 1;
    }
    int status = 0;
    try {
        status = Run(argv[1]);
    } catch (const runtime::Error& error) {
        std::printf("error %d: %s\n", static_cast<int>(error.Number()), error.Message().c_str());
        status = 3;
    }
    std::fflush(stdout);
    return status; // the sound objects are released at exit, as in the program
}
