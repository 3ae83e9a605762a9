#include "sounds.h"

#include "wav.h"

namespace jellop::sound {

namespace {

int samplesFor(double seconds) {
    return static_cast<int>(seconds * kSampleRate);
}

double seconds(int i) {
    return static_cast<double>(i) / kSampleRate;
}

// Short rising "plink" of a drop hitting a surface, added at `start`.
void addDroplet(Samples& s, double start, double fromHz, double toHz, double level) {
    Oscillator osc;
    const int first = samplesFor(start), length = samplesFor(0.09);
    for (int i = 0; i < length && first + i < static_cast<int>(s.size()); ++i) {
        const double t = seconds(i);
        const double hz = toHz + (fromHz - toHz) * expo(-t / 0.012);
        s[first + i] += level * smoothStep(t, 0.002) * expo(-t / 0.022) * osc.step(hz);
    }
}

} // namespace

Samples moveSound() {
    // A sine that swoops up in pitch with a decaying wobble, like a spring
    // settling, with a little second harmonic for body.
    Samples s(static_cast<std::size_t>(samplesFor(0.2)));
    Oscillator fundamental, overtone;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = seconds(static_cast<int>(i));
        const double glide = 170 + 190 * (1 - expo(-t / 0.045));
        const double wobble = 1 + 0.09 * sine(22 * t) * expo(-t / 0.08);
        const double hz = glide * wobble;
        const double tone = fundamental.step(hz) + 0.22 * overtone.step(2 * hz);
        s[i] = tone * smoothStep(t, 0.006) * expo(-t / 0.075);
    }
    fadeEdges(s, 0.003, 0.03);
    normalise(s, -4.5);
    return s;
}

Samples dieSound() {
    Samples s(static_cast<std::size_t>(samplesFor(0.95)));
    Noise noise(0x5EA1u);
    LowPass wet, wetter;
    Oscillator thump;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = seconds(static_cast<int>(i));
        // Body hitting the ground: a low sine falling in pitch.
        const double low = thump.step(45 + 85 * expo(-t / 0.05)) * expo(-t / 0.12);
        // Splat: noise through a closing low-pass, with a bubbly flutter.
        const double cutoff = 350 + 3200 * expo(-t / 0.07);
        const double flutter = 0.75 + 0.25 * sine(31 * t + 0.3 * sine(7 * t));
        const double splat = wetter.step(wet.step(noise.next(), cutoff), cutoff) * 3.2 * flutter *
                             smoothStep(t, 0.004) * expo(-t / 0.2);
        s[i] = 0.9 * low + splat;
    }
    // Bits of jelly landing around.
    addDroplet(s, 0.27, 520, 1250, 0.5);
    addDroplet(s, 0.36, 610, 1500, 0.42);
    addDroplet(s, 0.47, 480, 1100, 0.38);
    addDroplet(s, 0.61, 680, 1650, 0.3);
    addDroplet(s, 0.76, 560, 1350, 0.22);
    normalise(s, 0);
    saturate(s, 2.5);
    fadeEdges(s, 0.002, 0.06);
    normalise(s, -4.0);
    return s;
}

std::map<std::string, std::vector<std::uint8_t>> generateSounds() {
    return {
        {"resources/sounds/jellop_move.wav", encodeWav(moveSound())},
        {"resources/sounds/jellop_die.wav", encodeWav(dieSound())},
    };
}

} // namespace jellop::sound
