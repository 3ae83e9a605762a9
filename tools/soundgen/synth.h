// Small deterministic building blocks for synthesising sound effects.
//
// Only +, -, * and / on doubles are used (no libm transcendental calls), so
// the same recipe produces the same samples everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jellop::sound {

constexpr int kSampleRate = 44100;
constexpr double kTwoPi = 6.283185307179586;

using Samples = std::vector<double>; // mono, nominally -1..1

double sine(double cycles); // sin(2*pi*cycles)
double expo(double x);      // e^x
double dbToGain(double db); // 10^(db/20)

// Raised-cosine step from 0 (t <= 0) to 1 (t >= width).
double smoothStep(double t, double width);

// White noise in [-1, 1) from a fixed seed.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    double next();

  private:
    std::uint32_t state_;
};

// One-pole low-pass filter whose cutoff may change every sample.
class LowPass {
  public:
    double step(double in, double cutoffHz);

  private:
    double y_ = 0;
};

// Sine oscillator whose frequency may change every sample.
class Oscillator {
  public:
    double step(double hz); // returns sin at the current phase, then advances

  private:
    double phase_ = 0; // in cycles, kept in [0, 1)
};

// Scales so the largest magnitude is `peakDb` dBFS.
void normalise(Samples& s, double peakDb);

// Soft saturation x*d / (1 + |x*d|): squeezes loud peaks more than quiet
// parts, so a short transient sound keeps more body after normalising.
void saturate(Samples& s, double drive);

// Raised-cosine fades over the first and last samples.
void fadeEdges(Samples& s, double fadeInSeconds, double fadeOutSeconds);

} // namespace jellop::sound
