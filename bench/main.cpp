// Runs the benchmarks, then prints each operation's speed as a ratio against its baselines,
// all measured in this one process, and fails when a result check did not hold.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench.h"

namespace bench {

std::map<std::string, double>& Timings() {
    static std::map<std::string, double> timings;
    return timings;
}

namespace {

// Each check by what it checks: false once any run found it not to hold.
std::map<std::string, bool>& Checks() {
    static std::map<std::string, bool> checks;
    return checks;
}

// The console report, plus the CPU time of every run for the ratio table (CPU time: the
// machine may be shared, and every benchmark here runs on one thread).
class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With --benchmark_repetitions the median aggregate ("<name>_median") is kept too,
            // and the ratios prefer it to whichever repetition ran last.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred) {
                Timings()[run.benchmark_name()] =
                    run.GetAdjustedCPUTime() *
                    benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                    benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void Ratio(const std::string& what, const std::string& ours, const std::string& baseline) {
    auto find = [](const std::string& name) {
        auto median = Timings().find(name + "_median");
        return median != Timings().end() ? median : Timings().find(name);
    };
    auto a = find(ours);
    auto b = find(baseline);
    if (a == Timings().end() || b == Timings().end()) {
        return;
    }
    std::printf("  %-44s %9.2fx  (%s / %s)\n", what.c_str(), b->second / a->second,
                baseline.c_str(), ours.c_str());
}

} // namespace

void Check(const std::string& what, bool holds) {
    auto entry = Checks().emplace(what, holds).first;
    entry->second = entry->second && holds;
}

} // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nSpeed-ups (baseline time / our time, same process, same data):\n");
    bench::Ratio("Create vs strip by strip, 1920x1080", "Region/Create/1920x1080",
                 "Region/StripByStrip/1920x1080/iterations:1");
    bench::Ratio("BandRegion vs pixman, build frame regions", "Region/FramesBuild/Band",
                 "Region/FramesBuild/Pixman");
    bench::Ratio("BandRegion vs pixman, combine frame pairs", "Region/FramesCombine/Band",
                 "Region/FramesCombine/Pixman");
    for (const char* size : {"1280/720", "3840/2160"}) {
        const std::string suffix = std::string("/") + size;
        bench::Ratio("Resample vs stb triangle -> " + std::string(size), "Resample/Jellop" + suffix,
                     "Resample/StbTriangle" + suffix);
        bench::Ratio("Resample vs pixman bilinear -> " + std::string(size),
                     "Resample/Jellop" + suffix, "Resample/PixmanBilinear" + suffix);
        bench::Ratio("core vs stb triangle -> " + std::string(size), "Resample/JellopCore" + suffix,
                     "Resample/StbTriangle" + suffix);
        bench::Ratio("core vs pixman bilinear -> " + std::string(size),
                     "Resample/JellopCore" + suffix, "Resample/PixmanBilinear" + suffix);
    }
    bool allHold = true;
    for (const auto& [what, holds] : bench::Checks()) {
        std::printf("check: %s: %s\n", what.c_str(), holds ? "yes" : "NO");
        allHold = allHold && holds;
    }
    return allHold ? 0 : 1;
}
