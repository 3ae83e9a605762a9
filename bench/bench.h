// What the benchmark files share: the timings the ratio table compares, the result checks and
// the pixel-rate counter.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

namespace bench {

// CPU time per iteration in nanoseconds, by benchmark name, filled in as the runs finish.
std::map<std::string, double>& Timings();

// A check a benchmark makes on its results (same bytes as the baseline); all must hold.
void Check(const std::string& what, bool holds);

// Reports the run's speed as millions of output pixels per second, for pictures of
// width x height.
inline void SetPixelRate(benchmark::State& state, std::int32_t width, std::int32_t height) {
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(width) * height *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

} // namespace bench
