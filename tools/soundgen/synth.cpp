#include "synth.h"

namespace jellop::sound {

double sine(double cycles) {
    // Reduce to x in [-0.25, 0.25] cycles where sin is odd and smooth.
    double p = cycles - static_cast<double>(static_cast<std::int64_t>(cycles));
    if (p < 0)
        p += 1;
    if (p > 0.75)
        p -= 1;
    else if (p > 0.25)
        p = 0.5 - p;
    const double x = p * kTwoPi, x2 = x * x;
    // Taylor series to x^13: error below 1e-10 on |x| <= pi/2.
    double term = x, sum = x;
    for (int n = 1; n <= 6; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double expo(double x) {
    // e^x = (e^(x / 2^k))^(2^k), with the small power from a Taylor series.
    int k = 0;
    double r = x;
    while (r > 0.5 || r < -0.5) {
        r /= 2;
        ++k;
    }
    double term = 1, sum = 1;
    for (int n = 1; n <= 14; ++n) {
        term *= r / n;
        sum += term;
    }
    for (int i = 0; i < k; ++i)
        sum *= sum;
    return sum;
}

double dbToGain(double db) {
    return expo(db / 20 * 2.302585092994046);
}

double smoothStep(double t, double width) {
    if (t <= 0)
        return 0;
    if (t >= width)
        return 1;
    return 0.5 - 0.5 * sine(0.25 + 0.5 * t / width); // (1 - cos(pi t / w)) / 2
}

double Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
}

double LowPass::step(double in, double cutoffHz) {
    const double a = 1 - expo(-kTwoPi * cutoffHz / kSampleRate);
    y_ += a * (in - y_);
    return y_;
}

double Oscillator::step(double hz) {
    const double v = sine(phase_);
    phase_ += hz / kSampleRate;
    if (phase_ >= 1)
        phase_ -= 1;
    return v;
}

void normalise(Samples& s, double peakDb) {
    double peak = 0;
    for (double v : s)
        peak = v > peak ? v : (-v > peak ? -v : peak);
    if (peak == 0)
        return;
    const double gain = dbToGain(peakDb) / peak;
    for (double& v : s)
        v *= gain;
}

void saturate(Samples& s, double drive) {
    for (double& v : s) {
        const double x = v * drive;
        v = x / (1 + (x < 0 ? -x : x));
    }
}

void fadeEdges(Samples& s, double fadeInSeconds, double fadeOutSeconds) {
    const double n = static_cast<double>(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double left = (n - 1 - static_cast<double>(i)) / kSampleRate;
        s[i] *= smoothStep(t, fadeInSeconds) * smoothStep(left, fadeOutSeconds);
    }
}

} // namespace jellop::sound
